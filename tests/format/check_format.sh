#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what clang-format makes of it with the
# project's .clang-format, and names the files that do.
set -euo pipefail
root="$1"
cd "$root"
mapfile -t files < <(find app core draw picture save ui tests bench -name '*.h' -o -name '*.cpp' | sort)
if [ ${#files[@]} -eq 0 ]; then
  echo "no C++ files found under $root" >&2
  exit 1
fi
clang-format --dry-run -Werror "${files[@]}"
echo "${#files[@]} files formatted as .clang-format asks"
