#!/usr/bin/env bash
# Builds everything and runs every test, one stage at a time:
#   plain        the engine, host and tests with warnings as errors, ctest
#   sanitizers   the tests again under AddressSanitizer and UBSan (building
#                only the test programs and what they need)
#   tsan         the thread tests under ThreadSanitizer
#   fuzz         each libFuzzer target for FUZZ_SECONDS (default 20)
#   web          the engine as WebAssembly: the page in headless Chromium
#                against the host program, the conformance vectors under Node
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
    -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
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
  local start=$SECONDS rc=0
  # A subshell outside any condition, so that errexit holds inside the stage:
  # the first failing command fails the stage.
  set +e
  (set -e; "$@") >"$log" 2>&1
  rc=$?
  set -e
  if [ "$rc" -eq 0 ]; then
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
  ctest_suite build-san tqcal_test_programs -- -DTQCAL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
}

# Builds only the thread tests, engine included, under ThreadSanitizer.
tsan() {
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  cmake -S . -B build-tsan -DTQCAL_WERROR=ON -DTQCAL_TSAN=ON -DTQCAL_BUILD_HOST=OFF
  cmake --build build-tsan -j"$jobs" --target tqcal_thread_tests
  (cd build-tsan && ctest --output-on-failure -L threads) | tee build-tsan/ctest.log
  sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' build-tsan/ctest.log >"$STAGE_COUNT"
}

fuzz() { FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/fuzz.sh; }

# The page's tests compare with the host program, built by the plain stage.
web() {
  local out=build-web passed replay=()
  [ -f conformance/replay.c ] && replay=(--replay)
  mkdir -p "$out"
  bash web/build.sh "${replay[@]}" || return 1
  { [ -f build/CMakeCache.txt ] || cmake -S . -B build -DTQCAL_WERROR=ON; } &&
    cmake --build build -j"$jobs" --target tqcal_host || return 1
  (cd web/tests && npm ci --no-audit --no-fund) || return 1
  # TAP, for its "# pass N" line; a Node without the option writes TAP anyway.
  local reporter=(--test-reporter=tap)
  node "${reporter[@]}" -e '' 2>/dev/null || reporter=()
  local status=0
  (cd web/tests && node --test "${reporter[@]}") >"$out/browser-tests.tap" 2>&1 || status=$?
  cat "$out/browser-tests.tap"
  [ "$status" -eq 0 ] || return 1
  passed=$(sed -n 's/^# pass \([0-9]*\)$/\1/p' "$out/browser-tests.tap")
  if [ ${#replay[@]} -gt 0 ]; then
    # One test, as ctest counts the native replay; its log has the figures.
    node "$out/replay.js" conformance/vectors.txt | tee "$out/replay.log" || return 1
    grep -q '^conformance: [0-9]* passed, 0 failed$' "$out/replay.log" || return 1
    passed=$((passed + 1))
  fi
  echo "${passed:-0}" >"$STAGE_COUNT"
}

stage plain plain
if [ "$quick" -eq 0 ]; then
  stage sanitizers sanitizers
  stage tsan tsan
  stage fuzz fuzz
  stage web web
fi

# One closing line over every stage; a failure has already stopped the run.
echo "all: $total_passed passed, 0 failed"
