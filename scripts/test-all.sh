#!/usr/bin/env bash
# Builds the engine, the host and the tests, and runs every test: once in a
# plain build with warnings as errors, once under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DTQCAL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
}

echo "== plain build =="
run_suite build

echo "== sanitizer build =="
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-san -DTQCAL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

echo "== fuzzing =="
bash scripts/fuzz.sh
