#!/usr/bin/env bash
# Sets up what is missing, builds Vantory with its tests and benchmarks, and runs every
# test: the logic against the test double, the Qt implementation offscreen, and the real
# program under Xvfb driven by real input events.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cd build
ctest --output-on-failure "$@"
