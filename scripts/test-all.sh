#!/usr/bin/env bash
# Builds everything and runs every test, one stage at a time:
#   plain        the engine, host and tests with warnings as errors, ctest
#   accuracy     the elementary functions against MPFR, ACCURACY_COUNT
#                arguments each (default 100000)
#   sanitizers   the tests again under AddressSanitizer and UBSan (building
#                only the test programs and what they need)
#   tsan         the thread tests under ThreadSanitizer
#   fuzz         each libFuzzer target for FUZZ_SECONDS (default 20)
#   parser       the display-text parser against strtod over every short text
#   armhf        the engine and export tests cross-built, run under qemu-arm
#   armel        the same for ARM without a floating-point unit (ARMv5TE,
#                soft float, the engine's own double helpers), under qemu-arm
#   windows      the same as a Windows DLL and programs, run under wine
#   arm-windows  tqcal.dll for 32-bit ARM Windows (clang, lld): it cannot run
#                here, so its headers are checked (machine, exports, imports)
#                and the conformance replayer is compiled for it
#   i686         the same for 32-bit x86 (SSE2 arithmetic), under qemu-i386
#   install      install into a scratch prefix; build and run the example host
#                through pkg-config, find_package and add_subdirectory
#   web          the engine as WebAssembly: the page in headless Chromium
#                against the host program, the conformance vectors under Node
#
#   bash scripts/test-all.sh                everything
#   bash scripts/test-all.sh --quick        the plain stage only, for everyday work
#   bash scripts/test-all.sh --only armhf   one stage
#
# Each stage prints one line with what passed and how long it took; its build
# and test output goes to build-logs/<stage>.log, which is shown (its end) only
# when the stage fails. The last line counts every test of every stage.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --only) only=${2:?--only needs a stage name}; shift ;;
    -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
    *) echo "test-all: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
  shift
done

jobs=$(nproc 2>/dev/null || echo 2)
logs=build-logs
mkdir -p "$logs"
total_passed=0

# stage NAME COMMAND...: runs COMMAND with its output in build-logs/NAME.log.
# COMMAND reports what it counted by writing a number to $STAGE_COUNT.
stage() {
  local name=$1; shift
  if [ -n "$only" ] && [ "$name" != "$only" ]; then return 0; fi
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
  cmake -S . -B "$dir" -DTQCAL_WERROR=ON "$@" || return 1
  cmake --build "$dir" -j"$jobs" "${targets[@]}" || return 1
  (cd "$dir" && ctest --output-on-failure -j"$jobs") | tee "$dir/ctest.log" || return 1
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

# Every digit string up to six digits with the point anywhere, every short
# mantissa with every exponent and five million random texts, each parsed
# both ways. Uses the plain stage's build.
parser() {
  cmake -S . -B build -DTQCAL_WERROR=ON || return 1
  cmake --build build -j"$jobs" --target tqcal_tests || return 1
  TQCAL_PARSE_THOROUGH=1 build/tests/tqcal_tests --gtest_filter='ParseWide.*' |
    tee build/parser.log || return 1
  sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' build/parser.log >"$STAGE_COUNT"
}

# The test suites built for another processor or system, run by ctest
# through the toolchain's emulator.
armhf() { ctest_suite build-armhf -- -DCMAKE_TOOLCHAIN_FILE="$PWD"/cmake/toolchains/arm-linux-gnueabihf.cmake; }
armel() { ctest_suite build-armel -- -DCMAKE_TOOLCHAIN_FILE="$PWD"/cmake/toolchains/arm-linux-gnueabi.cmake; }
i686() { ctest_suite build-i686 -- -DCMAKE_TOOLCHAIN_FILE="$PWD"/cmake/toolchains/i686-linux-gnu.cmake; }

windows() {
  local dir=build-windows rc=0
  mkdir -p "$dir"
  export WINEPREFIX="$PWD/$dir/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"  # the server starts only in an existing prefix
  # The first start builds the wine prefix (half a minute). The server and
  # wine's services start here, with no output attached: services started
  # by a test would hold ctest's output pipe open until the server quit.
  /usr/lib/wine/wineserver -p 300 </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
  ctest_suite "$dir" -- -DCMAKE_TOOLCHAIN_FILE="$PWD"/cmake/toolchains/x86_64-w64-mingw32.cmake || rc=1
  /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
  return $rc
}

# tqcal.dll for 32-bit ARM Windows (Thumb-2), built by clang and lld without
# a C runtime (see the toolchain file). Nothing runs it here: the DLL is
# checked from its headers (ARMNT machine type, exactly the listed exports,
# system DLLs only and no elementary function among the imported functions,
# nothing that would run at load time), and the conformance replayer is
# compiled for the target as a device team would, warnings as errors. The
# count is the checks that passed.
arm_windows() {
  local dir=build-arm-windows
  local toolchain="$PWD"/cmake/toolchains/armv7-w64-windows.cmake
  cmake -S . -B "$dir" -DTQCAL_WERROR=ON -DTQCAL_BUILD_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" || return 1
  cmake --build "$dir" -j"$jobs" --target tqcal || return 1
  cmake -DLIBRARY="$dir"/bin/tqcal.dll -DREADOBJ=llvm-readobj -DMACHINE=0x1C4 \
    -DEXPECTED=engine/exports/exports.txt -P tests/exports/check_windows_dll.cmake || return 1
  llvm-strip -o "$dir"/tqcal-stripped.dll "$dir"/bin/tqcal.dll &&
    echo "tqcal.dll: $(stat -c %s "$dir"/tqcal-stripped.dll) bytes stripped"
  clang --target=armv7-w64-windows-gnu -isystem /usr/share/mingw-w64/include -std=c99 -pedantic \
    -Wall -Wextra -Werror -ffp-contract=off -O2 -Iinclude -c conformance/replay.c \
    -o "$dir"/replay.o || return 1
  echo "conformance/replay.c compiles for armv7-w64-windows-gnu"
  echo 2 >"$STAGE_COUNT"
}

# Runs the example host PROGRAM, which must print the display "42.".
expect_42() {
  local out
  out=$(LD_LIBRARY_PATH="$2" "$1") || { echo "$1 failed"; return 1; }
  [ "$out" = "42." ] || { echo "$1 printed '$out', not '42.'"; return 1; }
  echo "$1: $out"
}

# The library installed into a scratch prefix serves a C host through
# pkg-config and through find_package; added to a parent project by
# add_subdirectory it serves one too. Each way builds and runs the example.
install_stage() {
  local work=$PWD/build-install
  local prefix=$work/prefix passed=0 libdir pc
  rm -rf "$work"
  mkdir -p "$work/parent"
  cmake -S . -B "$work/lib" -DTQCAL_WERROR=ON -DCMAKE_INSTALL_PREFIX="$prefix" || return 1
  cmake --build "$work/lib" -j"$jobs" --target tqcal || return 1
  cmake --install "$work/lib" || return 1
  libdir=$(dirname "$(find "$prefix" -name libtqcal.so.1 | head -n 1)")
  for f in include/tqcal.h include/tqcal_host.h; do
    [ -f "$prefix/$f" ] || { echo "not installed: $f"; return 1; }
  done
  readelf -d "$libdir/libtqcal.so.1" | grep -q 'SONAME.*\[libtqcal\.so\.1\]' ||
    { echo "libtqcal.so.1 lacks its SONAME"; return 1; }
  passed=$((passed + 1))

  pc=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs tqcal) || return 1
  # shellcheck disable=SC2086  # the flags are words
  cc -std=c99 -pedantic -Wall -Wextra -Werror examples/press_keys.c $pc \
    -o "$work/press_keys_pc" || return 1
  expect_42 "$work/press_keys_pc" "$libdir" || return 1
  passed=$((passed + 1))

  cmake -S examples -B "$work/find" -DCMAKE_PREFIX_PATH="$prefix" || return 1
  cmake --build "$work/find" || return 1
  expect_42 "$work/find/press_keys" "$libdir" || return 1
  passed=$((passed + 1))

  printf '%s\n' 'cmake_minimum_required(VERSION 3.20)' \
    'project(parent LANGUAGES C CXX)' \
    "add_subdirectory($PWD tqcal)" \
    "add_subdirectory($PWD/examples example)" >"$work/parent/CMakeLists.txt"
  cmake -S "$work/parent" -B "$work/parent/build" || return 1
  cmake --build "$work/parent/build" -j"$jobs" || return 1
  expect_42 "$work/parent/build/example/press_keys" "" || return 1
  passed=$((passed + 1))
  echo "$passed" >"$STAGE_COUNT"
}

if [ "$quick" -eq 1 ] && [ -z "$only" ]; then only=plain; fi
stage plain plain
stage accuracy accuracy
stage sanitizers sanitizers
stage tsan tsan
stage fuzz fuzz
stage parser parser
stage armhf armhf
stage armel armel
stage windows windows
stage arm-windows arm_windows
stage i686 i686
stage install install_stage
stage web web

# One closing line over every stage; a failure has already stopped the run.
echo "all: $total_passed passed, 0 failed"
