#!/usr/bin/env bash
# Builds the engine, the host and the tests, and runs every test: once in a
# plain build with warnings as errors, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
passed=0

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DTQCAL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs") | tee "$dir/ctest.log"
  local n
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest.log")
  passed=$((passed + ${n:-0}))
}

echo "== plain build =="
run_suite build

echo "== sanitizer build =="
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-san -DTQCAL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

echo "== fuzzing =="
bash scripts/fuzz.sh
passed=$((passed + 3))

# One closing line for both suites and the three fuzz targets; any failure
# has already stopped the script with a non-zero status.
echo "all: $passed passed, 0 failed"
