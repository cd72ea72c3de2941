#!/usr/bin/env bash
# Builds everything and runs every test, one stage at a time:
#   plain        the engine, host and tests with warnings as errors, ctest
#   accuracy     the elementary functions against MPFR, ACCURACY_COUNT
#                arguments each (default 100000)
#   sanitizers   the tests again under AddressSanitizer and UBSan
#   fuzz         each libFuzzer target for FUZZ_SECONDS (default 20)
#
#   bash scripts/test-all.sh            everything
#   bash scripts/test-all.sh --quick    the plain stage only, for everyday work
#
# Each stage prints one line with what passed and how long it took; its build
# and test output goes to build-logs/<stage>.log, which is shown (its end) only
# when the stage fails. The last line counts every test of every stage.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "test-all: unknown argument '$arg' (try --help)" >&2; exit 2 ;;
  esac
done

jobs=$(nproc 2>/dev/null || echo 2)
logs=build-logs
mkdir -p "$logs"
total_passed=0

# stage NAME COMMAND...: runs COMMAND with its output in build-logs/NAME.log.
# COMMAND reports what it counted by writing a number to $STAGE_COUNT.
stage() {
  local name=$1; shift
  local log="$logs/$name.log"
  export STAGE_COUNT="$logs/$name.count"
  rm -f "$STAGE_COUNT"
  local start=$SECONDS
  if "$@" >"$log" 2>&1; then
    local n
    n=$(cat "$STAGE_COUNT" 2>/dev/null || echo 0)
    total_passed=$((total_passed + n))
    printf '%-12s %5d passed  %4ds\n' "$name:" "$n" $((SECONDS - start))
  else
    printf '%-12s FAILED after %ds; the end of %s:\n' "$name:" $((SECONDS - start)) "$log"
    tail -n 80 "$log"
    echo "all: $total_passed passed, 1 failed"
    exit 1
  fi
}

# ctest_suite BUILD_DIR [TARGET...] -- [CMAKE_ARGS...]: configures and builds
# (only the targets named, when any are), runs ctest and counts what passed.
ctest_suite() {
  local dir=$1; shift
  local targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do targets+=(--target "$1"); shift; done
  [ $# -gt 0 ] && shift
  cmake -S . -B "$dir" -DTQCAL_WERROR=ON "$@"
  cmake --build "$dir" -j"$jobs" "${targets[@]}"
  (cd "$dir" && ctest --output-on-failure -j"$jobs") | tee "$dir/ctest.log"
  sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest.log" >"$STAGE_COUNT"
}

plain() { ctest_suite build --; }

sanitizers() {
  export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest_suite build-san -- -DTQCAL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
}

fuzz() { FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/fuzz.sh; }

# Every elementary function within one ulp and correctly rounded in 99.9 % of
# the arguments; counts the functions that pass.
accuracy() {
  cmake -S . -B build -DTQCAL_WERROR=ON || return 1
  cmake --build build -j"$jobs" --target tqcal_accuracy || return 1
  build/bench/tqcal_accuracy --count "${ACCURACY_COUNT:-100000}" | tee build/accuracy.log
  local rc=${PIPESTATUS[0]}
  sed -n 's/^accuracy: \([0-9]*\) of.*/\1/p' build/accuracy.log >"$STAGE_COUNT"
  return "$rc"
}

stage plain plain
if [ "$quick" -eq 0 ]; then
  stage accuracy accuracy
  stage sanitizers sanitizers
  stage fuzz fuzz
fi

# One closing line over every stage; a failure has already stopped the run.
echo "all: $total_passed passed, 0 failed"
