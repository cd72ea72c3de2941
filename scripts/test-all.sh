#!/usr/bin/env bash
# Builds everything and runs every test, one stage at a time (the stages
# are listed once, in stage_table below, which --help prints):
#
#   bash scripts/test-all.sh                everything
#   bash scripts/test-all.sh --quick        the plain stage only, for everyday work
#   bash scripts/test-all.sh --only armhf   one stage (not with --quick, which is
#                                           --only plain)
#
# First it installs what the stages to run need and the machine lacks
# (scripts/setup.sh with each stage's set-up groups, from stage_table), on a
# line that names what it installs and how long that took. Each stage then
# prints its line as it starts, and finishes it with what passed against
# the least it must run (its floor in stage_table) and how long it took:
#
#   plain:         283 passed (floor 283)   95s
#
# A stage that runs fewer than its floor fails and says so, as does one
# whose ctest finds no tests at all: a test left out of the build, a label
# that matches nothing or a step skipped would otherwise pass unseen. Raise
# a floor with the tests a change adds. Its build and test output goes to
# build-logs/<stage>.log, which is shown (its end) only when the stage
# fails. The last line counts every test of every stage, the time and the
# disk the build folders take.
#
# Cross builds carry no debug information (TQCAL_DEBUG_INFO=1 keeps it), and
# the windows stage removes its wine prefix when done (TQCAL_KEEP_WINE=1
# keeps it).
set -euo pipefail
cd "$(dirname "$0")/.."

# The stages, in the order they run: name | floor: the fewest tests (or
# checks, files, functions, fuzz targets: what the stage counts) it must run
# | function | the set-up groups (scripts/setup.sh) it needs | what it does.
# A new stage is a function and a line here.
stage_table=(
  "plain      |  293 | plain         | tests      | the engine, host and tests with warnings as errors, ctest"
  "format     |  169 | format_check  | lint       | every C and C++ source as clang-format writes it (scripts/format.sh --check)"
  "tidy       |   44 | tidy          | lint       | clang-tidy's checks (.clang-tidy) on the engine and the host program, its naming check on the benchmarks"
  "accuracy   |   10 | accuracy      | tests bench | the elementary functions against MPFR, ACCURACY_COUNT arguments each (default 100000)"
  "sanitizers |  287 | sanitizers    | tests      | the tests again under AddressSanitizer and UBSan (the test programs only)"
  "tsan       |    2 | tsan          | tests      | the thread tests under ThreadSanitizer"
  "fuzz       |    3 | fuzz          | fuzz       | each libFuzzer target for FUZZ_SECONDS (default 20, set in scripts/fuzz.sh)"
  "parser     |    8 | parser        | tests      | the display-text parser against strtod over every short text"
  "armhf      |  228 | armhf         | armhf      | the engine and export tests cross-built, run under qemu-arm"
  "armel      |  229 | armel         | armel      | the same for 32-bit ARM without a floating-point unit (ARMv5TE, soft float), under qemu-arm"
  "windows    |  223 | windows       | windows    | the same as a Windows DLL and programs, run under wine; the DLL's version resource read back"
  "arm-windows |   72 | arm_windows  | arm-windows armhf | tqcal.dll for 32-bit ARM Windows (the Windows RT / Windows on ARM32 class): its facts checked, then run by tools/pe's loader under qemu-arm -cpu cortex-a9 (conformance replay with 10^5 soak sequences, the export tests); the replayer compiled for it"
  "wince      |   95 | wince         | wince      | tqcal.dll for Windows CE on ARM: ARMv4T code only, the headers as a CE compiler sees them, the DLL run through the project's PE loader under qemu-arm -cpu pxa270, and its instructions per key held to 3,500"
  "i686       |  225 | i686          | i686       | the same for 32-bit x86 (SSE2 arithmetic), under qemu-i386"
  "install    |    7 | install_stage | host       | the guide's install route (default prefix, cmake --install --prefix, pkg-config), --strip (no debug information left), then the tree moved: pkg-config --define-prefix, find_package; add_subdirectory; the conformance kit's README commands and its device command"
  "web        |  538 | web           | host web   | the page in headless Chromium against the host program, the conformance vectors under Node"
)
# stage_field ROW N: field N (1 to 5) of a row of stage_table, trimmed.
stage_field() { local f; f=$(cut -d'|' -f"$2" <<<"$1"); f=${f#"${f%%[! ]*}"}; echo "${f%"${f##*[! ]}"}"; }
stage_names() { local row; for row in "${stage_table[@]}"; do stage_field "$row" 1; done; }

usage_error() {
  echo "test-all: $1" >&2
  echo "the stages: $(stage_names | tr '\n' ' ')(try --help)" >&2
  exit 2
}

quick=0
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --only)
      [ $# -gt 1 ] && [ -n "$2" ] && [ "${2#-}" = "$2" ] || usage_error "--only needs a stage name"
      only=$2; shift ;;
    --only=*) only=${1#--only=}; [ -n "$only" ] || usage_error "--only needs a stage name" ;;
    -h|--help)
      awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"
      echo; echo "The stages:"
      for row in "${stage_table[@]}"; do
        printf '  %-11s %s\n' "$(stage_field "$row" 1)" "$(stage_field "$row" 5)"
      done
      exit 0 ;;
    *) usage_error "unknown argument '$1'" ;;
  esac
  shift
done
if [ "$quick" -eq 1 ]; then
  [ -z "$only" ] || usage_error "--quick is --only plain; give one or the other"
  only=plain
fi
if [ -n "$only" ] && ! grep -qx -- "$only" <<<"$(stage_names)"; then
  usage_error "no stage '$only'"
fi

jobs=$(nproc 2>/dev/null || echo 2)
logs=build-logs
mkdir -p "$logs"
total_passed=0

# stage NAME FLOOR COMMAND...: runs COMMAND with its output in
# build-logs/NAME.log. COMMAND reports what it counted by writing a number to
# $STAGE_COUNT; fewer than FLOOR (or no number) fails the stage. The stage's
# line begins when it starts and ends when it is done.
stage() {
  local name=$1 floor=$2; shift 2
  local log="$logs/$name.log"
  export STAGE_COUNT="$logs/$name.count"
  rm -f "$STAGE_COUNT"
  printf '%-12s ' "$name:"
  local start=$SECONDS rc=0 n
  # A subshell outside any condition, so that errexit holds inside the stage:
  # the first failing command fails the stage.
  set +e
  (set -e; "$@") >"$log" 2>&1
  rc=$?
  set -e
  n=$(cat "$STAGE_COUNT" 2>/dev/null || true)
  [[ "$n" =~ ^[0-9]+$ ]] || n=0
  if [ "$rc" -eq 0 ] && [ "$n" -ge "$floor" ]; then
    total_passed=$((total_passed + n))
    printf '%5d passed (floor %d) %4ds\n' "$n" "$floor" $((SECONDS - start))
  elif [ "$rc" -eq 0 ]; then
    printf 'FAILED after %ds: %d passed, fewer than its floor of %d (stage_table):' \
      $((SECONDS - start)) "$n" "$floor"
    echo " tests left out of the build, or a step that ran none; the log is $log"
    echo "all: $total_passed passed, 1 failed"
    exit 1
  else
    printf 'FAILED after %ds; the end of %s:\n' $((SECONDS - start)) "$log"
    tail -n 80 "$log"
    echo "all: $total_passed passed, 1 failed"
    exit 1
  fi
}

# configure BUILD_DIR [CMAKE_ARGS...]: every build of the test command has
# warnings as errors, the linker's included.
configure() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DTQCAL_WERROR=ON "$@"
}

# build BUILD_DIR TARGET...: configures where not yet configured (a stage
# that reuses the plain stage's build), then builds the targets.
build() {
  local dir=$1; shift
  { [ -f "$dir/CMakeCache.txt" ] || configure "$dir"; } || return 1
  local targets=() t
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$dir" -j"$jobs" "${targets[@]}"
}

# The toolchain file of a cross target, as configure arguments; without
# debug information (a tenth of the size, the same code) unless
# TQCAL_DEBUG_INFO=1 asks for it.
toolchain() {
  echo "-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/toolchains/$1.cmake"
  if [ "${TQCAL_DEBUG_INFO:-0}" != 1 ]; then
    echo "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
    echo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
  fi
}

# ctest_suite BUILD_DIR [TARGET...] -- [CMAKE_ARGS...]: configures and builds
# (only the targets named, when any are), runs ctest and counts what passed.
# A caller's ctest_options array, when it has one, goes to ctest as well.
ctest_suite() {
  local dir=$1; shift
  local targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do targets+=(--target "$1"); shift; done
  [ $# -gt 0 ] && shift
  configure "$dir" "$@" || return 1
  cmake --build "$dir" -j"$jobs" "${targets[@]}" || return 1
  (cd "$dir" && ctest --output-on-failure --no-tests=error -j"$jobs" \
     ${ctest_options[@]+"${ctest_options[@]}"}) | tee "$dir/ctest.log" || return 1
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
  configure build-tsan -DTQCAL_TSAN=ON -DTQCAL_BUILD_HOST=OFF
  cmake --build build-tsan -j"$jobs" --target tqcal_thread_tests
  (cd build-tsan && ctest --output-on-failure --no-tests=error -L threads) | tee build-tsan/ctest.log
  sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' build-tsan/ctest.log >"$STAGE_COUNT"
}

fuzz() { bash scripts/fuzz.sh; }

# Fails on a source that clang-format would change, naming it and the
# command that formats it.
format_check() { bash scripts/format.sh --check; }

# clang-tidy on the engine's and the host program's sources, as a configure
# for clang lists them (compile_commands.json), then its naming check alone
# on the other C++ sources listed there (the benchmarks; the tools and the
# conformance generator when a configure lists them); counts the files that
# pass.
tidy() {
  local dir=build-tidy files others
  cmake -S . -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTQCAL_BUILD_TESTS=OFF || return 1
  mapfile -t files < <(sed -n 's@^ *"file": "\(.*/\(engine\|host\)/[^"]*\.cpp\)",*$@\1@p' \
                         "$dir/compile_commands.json" | sort -u)
  [ ${#files[@]} -gt 0 ] || { echo "no engine or host sources in $dir/compile_commands.json"; return 1; }
  printf '%s\n' "${files[@]}" | xargs -P"$jobs" -n4 clang-tidy -p "$dir" --quiet || return 1
  mapfile -t others < <(sed -n 's@^ *"file": "\(.*/\(tools\|conformance\|bench\)/[^"]*\.cpp\)",*$@\1@p' \
                          "$dir/compile_commands.json" | sort -u)
  if [ ${#others[@]} -gt 0 ]; then
    printf '%s\n' "${others[@]}" | xargs -P"$jobs" -n4 clang-tidy -p "$dir" --quiet \
      --checks='-*,readability-identifier-naming' --header-filter='/(tools|conformance|bench)/' || return 1
  fi
  echo "$((${#files[@]} + ${#others[@]}))" >"$STAGE_COUNT"
}

# kit_pass_line KIND: the last line that conformance/README.md gives as the
# pass of a replay with the default soak, for a library with KIND
# arithmetic ("the platform's" or "its own"), from its table.
kit_pass_line() {
  local tick='`'
  sed -n "s/^| $1 [^$tick]*$tick\(conformance: [0-9]* passed, 0 failed\)$tick.*/\1/p" \
    conformance/README.md
}

# The page's tests compare with the host program, built by the plain stage.
web() {
  local out=build-web passed replay=()
  [ -f conformance/replay.c ] && replay=(--replay)
  mkdir -p "$out"
  bash web/build.sh "${replay[@]}" || return 1
  build build tqcal_host || return 1
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
    # WebAssembly's arithmetic is the platform's, as the kit's README says.
    [ "$(tail -n 1 "$out/replay.log")" = "$(kit_pass_line "the platform's")" ] ||
      { echo "the replay under Node does not end with the kit README's pass line"; return 1; }
    passed=$((passed + 1))
  fi
  echo "${passed:-0}" >"$STAGE_COUNT"
}

# Every elementary function within one ulp and correctly rounded in 99.9 % of
# the arguments; counts the functions that pass.
accuracy() {
  build build tqcal_accuracy || return 1
  build/bench/tqcal_accuracy --count "${ACCURACY_COUNT:-100000}" | tee build/accuracy.log
  local rc=${PIPESTATUS[0]}
  sed -n 's/^accuracy: \([0-9]*\) of.*/\1/p' build/accuracy.log >"$STAGE_COUNT"
  return "$rc"
}

# Every digit string up to six digits with the point anywhere, every short
# mantissa with every exponent and five million random texts, each parsed
# both ways. Uses the plain stage's build.
parser() {
  build build tqcal_tests || return 1
  TQCAL_PARSE_THOROUGH=1 build/tests/tqcal_tests --gtest_filter='ParseWide.*' |
    tee build/parser.log || return 1
  sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' build/parser.log >"$STAGE_COUNT"
}

# The test suites built for another processor or system, run by ctest
# through the toolchain's emulator.
armhf() { local tc; mapfile -t tc < <(toolchain arm-linux-gnueabihf); ctest_suite build-armhf -- "${tc[@]}"; }
armel() { local tc; mapfile -t tc < <(toolchain arm-linux-gnueabi); ctest_suite build-armel -- "${tc[@]}"; }
i686() { local tc; mapfile -t tc < <(toolchain i686-linux-gnu); ctest_suite build-i686 -- "${tc[@]}"; }

# What every DLL's version resource must say it is: the description that
# CMakeLists.txt gives once, for the .rc file and for elf2pe.py alike.
dll_description() { sed -n 's/^set(TQCAL_FILE_DESCRIPTION "\(.*\)")$/\1/p' CMakeLists.txt; }

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
  # Now and then (a few runs in a hundred here) wine fails to start one of
  # the programs: the test fails at once, with no output at all, and a
  # different test each time. A failing test runs once more; a fault of our
  # own fails both times, and the first failure stays in the log.
  local tc ctest_options=(--repeat until-pass:2)
  mapfile -t tc < <(toolchain x86_64-w64-mingw32)
  ctest_suite "$dir" -- "${tc[@]}" || rc=1
  # The DLL's version resource, read by tools/pe's checker built for this
  # machine: the version tqcal.h says.
  if [ "$rc" -eq 0 ]; then
    { cmake -S tools/pe -B "$dir"/pe-tools -DTQCAL_WERROR=ON &&
      cmake --build "$dir"/pe-tools -j"$jobs" --target tqcal_pe_check &&
      "$dir"/pe-tools/tqcal_pe_check "$dir"/bin/tqcal.dll --version-only \
        --version-header include/tqcal.h --description "$(dll_description)" &&
      echo $(($(cat "$STAGE_COUNT") + 1)) >"$STAGE_COUNT"; } || rc=1
  fi
  /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
  # The prefix is 700 MB of wine's own DLLs, made again in 10 to 30 s: it
  # goes, unless TQCAL_KEEP_WINE=1 keeps it for the next run.
  [ "${TQCAL_KEEP_WINE:-0}" = 1 ] || rm -rf "$WINEPREFIX"
  return $rc
}

# pe_suite DLL BUILD_DIR TOOLCHAIN CPU [CHECK_ARGS...]: the tests that use
# only the exported functions (label pe: the export suites, the C hosts, the
# guide's programs, the conformance replay with the soak) and the loader's own
# tests, cross-built with TOOLCHAIN and linked with tools/pe's libtqcal_pe.so,
# which loads DLL from its own bytes; run under qemu-arm -cpu CPU. CHECK_ARGS
# are what tqcal_pe_check expects of the DLL. Sets pe_suite_passed.
pe_suite() {
  local dll=$1 dir=$2 chain=$3 cpu=$4
  shift 4
  local check_args
  check_args=$(IFS=';'; echo "$*")
  local tc
  mapfile -t tc < <(toolchain "$chain")
  configure "$dir" "${tc[@]}" -DTQCAL_PE_SHIM=ON -DTQCAL_PE_DLL_FILE="$PWD/$dll" \
    -DTQCAL_QEMU_CPU="$cpu" "-DTQCAL_PE_CHECK_ARGS=$check_args" || return 1
  cmake --build "$dir" -j"$jobs" --target tqcal_pe_programs || return 1
  (cd "$dir" && ctest --output-on-failure --no-tests=error -j"$jobs" -L '^pe$') | tee "$dir/ctest.log" || return 1
  pe_suite_passed=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest.log")
  [ -n "$pe_suite_passed" ]
}

# tqcal.dll for 32-bit ARM Windows (Thumb-2, hard float: the Windows RT /
# Windows on ARM32 class), built by clang and lld without a C runtime (see
# the toolchain file). It is checked from its headers (ARMNT machine type,
# exactly the listed exports, system DLLs only and no elementary function
# among the imported functions, nothing that would run at load time), its
# facts read again by tools/pe's own reader built for this machine, and the
# conformance replayer is compiled for the target as a device team would,
# warnings as errors. Then it runs: the armhf build of the exported-function
# tests, linked with tools/pe's shim, loads it at another base under
# qemu-arm -cpu cortex-a9 (pe_suite). The count is the checks and the tests
# that passed.
arm_windows() {
  local dir=build-arm-windows
  local facts=(--expect-machine ARMNT --allow-dll msvcrt.dll --description "$(dll_description)") tc
  mapfile -t tc < <(toolchain armv7-w64-windows)
  configure "$dir" -DTQCAL_BUILD_TESTS=OFF "${tc[@]}" || return 1
  cmake --build "$dir" -j"$jobs" --target tqcal || return 1
  cmake -DLIBRARY="$dir"/bin/tqcal.dll -DREADOBJ=llvm-readobj -DMACHINE=0x1C4 \
    -DEXPECTED=engine/exports/exports.txt -P tests/exports/check_windows_dll.cmake || return 1
  llvm-strip -o "$dir"/tqcal-stripped.dll "$dir"/bin/tqcal.dll &&
    echo "tqcal.dll: $(stat -c %s "$dir"/tqcal-stripped.dll) bytes stripped"
  cmake -S tools/pe -B "$dir"/pe-tools -DTQCAL_WERROR=ON || return 1
  cmake --build "$dir"/pe-tools -j"$jobs" --target tqcal_pe_check || return 1
  "$dir"/pe-tools/tqcal_pe_check "$dir"/bin/tqcal.dll --exports engine/exports/exports.txt \
    "${facts[@]}" --version-header include/tqcal.h || return 1
  clang --target=armv7-w64-windows-gnu -isystem /usr/share/mingw-w64/include -std=c99 -pedantic \
    -Wall -Wextra -Werror -ffp-contract=off -O2 -Iinclude -c conformance/replay.c \
    -o "$dir"/replay.o || return 1
  echo "conformance/replay.c compiles for armv7-w64-windows-gnu"
  pe_suite "$dir"/bin/tqcal.dll build-arm-windows-pe arm-linux-gnueabihf cortex-a9 \
    "${facts[@]}" || return 1
  echo $((3 + pe_suite_passed)) >"$STAGE_COUNT"
}

# tqcal.dll for Windows CE on ARM (cmake/toolchains/arm-wince.cmake): every
# instruction of its code held to ARMv4T (no Thumb-2, VFP or ARMv5), the
# public headers and the replayer compiled as a CE SDK's compiler sees them,
# then the DLL loaded by the project's PE loader in armel programs under an
# XScale emulator (pe_suite: its facts, the conformance replay with 10^5
# soak sequences, the export and thread tests, the loader's bad-input tests,
# the binary64 routines built for ARMv4T), and the instructions it executes
# per key held to a bound. The count is the checks and tests that passed.
wince() {
  local dir=build-wince passed=0 tc
  mapfile -t tc < <(toolchain arm-wince)
  configure "$dir" "${tc[@]}" || return 1
  cmake --build "$dir" -j"$jobs" || return 1
  python3 tools/pe/check_baseline.py --objdump arm-linux-gnueabi-objdump \
    "$dir"/tqcal.elf "$dir"/bin/tqcal.dll || return 1
  passed=$((passed + 1))
  cmake -DSOURCE_DIR="$PWD" -DWORK_DIR="$PWD/$dir/ce-headers" \
    -P tests/exports/check_wince_headers.cmake || return 1
  passed=$((passed + 1))
  pe_suite "$dir"/bin/tqcal.dll build-wince-pe arm-linux-gnueabi pxa270 \
    --expect-machine THUMB --no-imports --subsystem-version 4.20 \
    --description "$(dll_description)" || return 1
  passed=$((passed + pe_suite_passed))
  # Instructions per key of an everyday mix through the DLL, counted exactly
  # under the emulator: at most 3,500.
  bash bench/ce_instructions.sh --dll "$dir"/bin/tqcal.dll --no-armel --check 3500 || return 1
  passed=$((passed + 1))
  echo "$passed" >"$STAGE_COUNT"
}

# Runs the example host PROGRAM, which must print the display "42."; with
# LIBDIR, finding the library there.
expect_42() {
  local out
  out=$(LD_LIBRARY_PATH="${2:-}" "$1") || { echo "$1 failed"; return 1; }
  [ "$out" = "42." ] || { echo "$1 printed '$out', not '42.'"; return 1; }
  echo "$1: $out"
}

# shell_block FILE HEADING: the first ```sh block under the line HEADING of
# a Markdown file, as a reader would paste it.
shell_block() {
  awk -v heading="$2" '$0 == heading { found = 1 }
                       found && /^```sh$/ { inside = 1; next }
                       inside && /^```$/ { exit }
                       inside { print }' "$1"
}

# The guide's route to a host, run as a reader pastes it: the shell block
# under its heading "Installing in a prefix of your own", in a copy of the
# sources with HOME in the scratch folder. It configures with the default
# prefix, installs elsewhere with cmake --install --prefix, compiles through
# pkg-config and runs the program. The installed tree then moves, and serves
# a host through pkg-config and through find_package from there; added to a
# parent project by add_subdirectory, the sources serve one too.
install_stage() {
  local work=$PWD/build-install
  local route passed=0
  rm -rf "$work"
  mkdir -p "$work/src" "$work/home" "$work/parent"
  route=$(shell_block docs/integrating.md "## Installing in a prefix of your own")
  [ -n "$route" ] || { echo "docs/integrating.md has no install route"; return 1; }
  printf '%s\n' "$route"
  git ls-files -co --exclude-standard -z | xargs -0 tar -cf - | tar -xf - -C "$work/src"
  # The environment makes the guide's build one with warnings as errors,
  # the linker's included, as every build of the test command is.
  (cd "$work/src" && HOME="$work/home" CFLAGS=-Werror CXXFLAGS=-Werror \
     LDFLAGS=-Wl,--fatal-warnings bash -euxo pipefail -c "$route") >"$work/route.log" 2>&1 ||
    { cat "$work/route.log"; return 1; }
  cat "$work/route.log"
  [ "$(tail -n 1 "$work/route.log")" = "42." ] || { echo "the guide's host did not print 42."; return 1; }
  # tqcal.pc: plain paths under the prefix installed to, the header's
  # version, and nothing but the library to link.
  local pcfile=$work/home/tqcal/lib/pkgconfig/tqcal.pc
  grep -qx "prefix=$work/home/tqcal" "$pcfile" && grep -qx 'libdir=${prefix}/lib' "$pcfile" ||
    { echo "tqcal.pc does not name the prefix installed to:"; cat "$pcfile"; return 1; }
  ! grep -q 'Libs.private' "$pcfile" || { echo "tqcal.pc has Libs.private"; return 1; }
  [ "$(HOME=$work/home PKG_CONFIG_PATH=$work/home/tqcal/lib/pkgconfig pkg-config --modversion tqcal)" = \
    "$(sed -n 's/^#define TQCAL_VERSION_\(MAJOR\|MINOR\|PATCH\) //p' include/tqcal.h | paste -sd.)" ] ||
    { echo "tqcal.pc's version is not the header's"; return 1; }
  # readelf's output is read whole before grep looks at it: grep -q stops at
  # the first match, and under pipefail the readelf it leaves writing to a
  # closed pipe would fail the test now and then.
  grep -q 'SONAME.*\[libtqcal\.so\.1\]' <<<"$(readelf -d "$work/home/tqcal/lib/libtqcal.so.1")" ||
    { echo "libtqcal.so.1 lacks its SONAME"; return 1; }
  passed=$((passed + 1))

  # The default build type keeps debug information in what it installs;
  # --strip, as docs/targets.md says, installs the library without it.
  grep -q '\.debug_info' <<<"$(readelf -S "$work/home/tqcal/lib/libtqcal.so.1")" ||
    { echo "the default install's library has no debug information"; return 1; }
  cmake --install "$work/src/build" --strip --prefix "$work/stripped" || return 1
  ! grep -q '\.debug_\|\.symtab' <<<"$(readelf -S "$work/stripped/lib/libtqcal.so.1")" ||
    { echo "cmake --install --strip left debug information or symbols"; return 1; }
  passed=$((passed + 1))

  # Moved elsewhere, the tree still serves pkg-config (told to take the
  # prefix from where tqcal.pc lies) and find_package.
  local moved=$work/moved pc
  mv "$work/home/tqcal" "$moved"
  pc=$(PKG_CONFIG_PATH="$moved/lib/pkgconfig" pkg-config --define-prefix --cflags --libs tqcal) || return 1
  # shellcheck disable=SC2086  # the flags are words
  cc -std=c89 -pedantic -Wall -Wextra -Werror -Wl,--fatal-warnings examples/press_keys.c $pc \
    -o "$work/press_keys_pc" || return 1
  expect_42 "$work/press_keys_pc" "$moved/lib" || return 1
  passed=$((passed + 1))

  local strict=(-DCMAKE_C_FLAGS=-Werror -DCMAKE_EXE_LINKER_FLAGS=-Wl,--fatal-warnings)
  cmake -S examples -B "$work/find" -DCMAKE_PREFIX_PATH="$moved" "${strict[@]}" || return 1
  cmake --build "$work/find" || return 1
  expect_42 "$work/find/press_keys" "$moved/lib" || return 1
  passed=$((passed + 1))

  printf '%s\n' 'cmake_minimum_required(VERSION 3.20)' \
    'project(parent LANGUAGES C CXX)' \
    "add_subdirectory($PWD tqcal)" \
    "add_subdirectory($PWD/examples example)" >"$work/parent/CMakeLists.txt"
  cmake -S "$work/parent" -B "$work/parent/build" -DTQCAL_WERROR=ON "${strict[@]}" || return 1
  cmake --build "$work/parent/build" -j"$jobs" || return 1
  expect_42 "$work/parent/build/example/press_keys" || return 1
  passed=$((passed + 1))

  # The conformance kit's README, its block under "Running it here" as a
  # reader pastes it, in another fresh copy of the sources: it ends with the
  # pass line.
  local kit
  kit=$(shell_block conformance/README.md "## Running it here")
  [ -n "$kit" ] || { echo "conformance/README.md has no block to run"; return 1; }
  mkdir -p "$work/kit"
  git ls-files -co --exclude-standard -z | xargs -0 tar -cf - | tar -xf - -C "$work/kit"
  (cd "$work/kit" && bash -euxo pipefail -c "$kit") >"$work/kit.log" 2>&1 ||
    { cat "$work/kit.log"; return 1; }
  cat "$work/kit.log"
  local pass
  pass=$(kit_pass_line "the platform's")
  [ -n "$pass" ] && [ "$(tail -n 1 "$work/kit.log")" = "$pass" ] ||
    { echo "the conformance kit's README commands did not end with its pass line '$pass'"; return 1; }
  passed=$((passed + 1))

  # The kit README's Windows CE device command as pasted, with / for \ and a
  # scratch root for the device's: the program (named as there), the library
  # and the record in "My Documents/kit", run from elsewhere. The report it
  # names must end with the pass line; a record that is not there must end
  # it with a line of the same form, counting one failure, and status 2.
  local root=$work/device device missing rc=0
  device=$(grep -m1 -F 'conformance_replay.exe" --report' conformance/README.md |
           sed -e 's/^ *//' -e 's#\\#/#g' -e "s#\"/#\"$root/#g")
  [ -n "$device" ] || { echo "conformance/README.md has no device command"; return 1; }
  mkdir -p "$root/My Documents/kit"
  cp "$work/kit/build-kit/conformance_replay" "$root/My Documents/kit/conformance_replay.exe"
  cp -P "$work/kit/build-kit"/libtqcal.so* conformance/vectors.txt "$root/My Documents/kit/"
  echo "the device command: $device"
  (cd / && bash -c "$device") || { echo "the device command failed"; return 1; }
  [ "$(tail -n 1 "$root/My Documents/kit/report.txt")" = "$pass" ] ||
    { echo "the device command's report does not end with '$pass'"; return 1; }
  missing=${device/vectors.txt\"/missing.txt\"}
  (cd / && bash -c "$missing") || rc=$?
  [ "$rc" -eq 2 ] &&
    [ "$(tail -n 1 "$root/My Documents/kit/report.txt")" = "conformance: 0 passed, 1 failed" ] ||
    { echo "a device run on a missing record: status $rc, its report:"
      cat "$root/My Documents/kit/report.txt"; return 1; }
  passed=$((passed + 1))
  echo "$passed" >"$STAGE_COUNT"
}

# What the stages to run need, installed first; then the stages in order.
selected=()
groups=()
for row in "${stage_table[@]}"; do
  name=$(stage_field "$row" 1)
  [ -z "$only" ] || [ "$name" = "$only" ] || continue
  floor=$(stage_field "$row" 2)
  [[ "$floor" =~ ^[0-9]+$ ]] || { echo "test-all: stage_table: the floor of $name is no number" >&2; exit 2; }
  selected+=("$name $floor $(stage_field "$row" 3)")
  read -ra more <<<"$(stage_field "$row" 4)"
  groups+=("${more[@]}")
done
# The set-up's line names what it installs before it starts, and its time.
read -ra groups <<<"$(printf '%s\n' "${groups[@]}" | sort -u | paste -sd' ')"
printf '%-12s ' "setup:"
setup_start=$SECONDS
missing=$(bash scripts/setup.sh --missing "${groups[@]}" 2>/dev/null || echo "(could not tell)")
if [ -z "$missing" ]; then
  printf 'nothing missing for %s\n' "${groups[*]}"
else
  printf 'installing %s … ' "$missing"
  if ! bash scripts/setup.sh "${groups[@]}" >"$logs/setup.log" 2>&1; then
    echo "FAILED; the end of $logs/setup.log:"
    tail -n 40 "$logs/setup.log"
    echo "all: 0 passed, 1 failed"
    exit 1
  fi
  printf 'done in %ds\n' $((SECONDS - setup_start))
fi
for row in "${selected[@]}"; do
  stage ${row}
done

# One closing line over every stage (a failure has already stopped the
# run): the count, the time, and the disk the build folders take.
folders=$(ls -d build build-* 2>/dev/null || true)
disk=$( [ -z "$folders" ] || du -scm $folders | tail -n 1 | cut -f1)
echo "all: $total_passed passed, 0 failed in $((SECONDS / 60))m $((SECONDS % 60))s; build folders ${disk:-0} MB"
