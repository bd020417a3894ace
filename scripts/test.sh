#!/usr/bin/env bash
# Sets up what is missing, builds Vantory with its tests and benchmarks, and runs every
# test: the logic against the test double, the Qt implementation offscreen, and the real
# program under Xvfb driven by real input events. Then the portable side of the picture
# library's seam to the system (VANTORY_PORTABLE, what Windows and macOS build) is built
# in build-portable with only what its tests need, and its unit and offscreen tests run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
(cd build && ctest --output-on-failure "$@")

portable_tests=(core drawing save loupe high_density bmp qt)
cmake -S . -B build-portable -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTORY_PORTABLE=ON >/dev/null
cmake --build build-portable -j"$(nproc)" --target core_tests drawing_tests save_tests loupe_tests \
  high_density_tests bmp_tests qt_tests picture_child
cd build-portable
ctest --output-on-failure -R "^($(IFS='|'; echo "${portable_tests[*]}"))\$"
