#!/usr/bin/env bash
# Installs on a Debian machine what is missing for the groups named (every
# group when none is), and nothing when nothing is missing:
#   host      building and running the host program: cmake, a C++ compiler,
#             make, pkg-config, ncurses (scripts/run-host.sh needs no more)
#   tests     the test suites on this machine: host, GoogleTest, and tmux,
#             which drives the terminal calculator in its tests
#   bench     the measuring programs under bench/ and the accuracy stage:
#             MPFR, Google Benchmark, valgrind (bench/instructions.sh)
#   fuzz      clang with libFuzzer's runtime, for the version of clang the
#             machine has
#   lint      clang-format and clang-tidy (Debian 12's: 14), with clang and
#             host for the configure that lists the sources to check
#   armhf     cross compiler for 32-bit ARM, GoogleTest's sources, qemu-user
#   armel     the same for 32-bit ARM without a floating-point unit
#   i686      cross compiler for 32-bit x86, GoogleTest's sources, qemu-user
#   windows   MinGW-w64 cross compiler, GoogleTest's sources, wine
#   arm-windows  clang, lld and llvm's tools for the 32-bit ARM Windows DLL,
#             with the processor-neutral mingw-w64 headers
#   wince     the Windows CE DLL: armel's cross compiler and qemu-user (the
#             DLL is built with the one and run here under the other),
#             python3 for the PE writer, clang and the mingw-w64 headers
#             for the check of the headers as a CE compiler sees them
#   web       Emscripten, Node 18 or later (Debian's own is 18), python3,
#             Chromium, and the npm packages of web/tests (puppeteer-core)
#
#   bash scripts/setup.sh              every group
#   bash scripts/setup.sh host tests   these groups
#   bash scripts/setup.sh --missing host tests
#                                      only prints what it would install, on
#                                      one line (nothing when nothing is missing)
# scripts/test-all.sh installs the groups of the stages it runs.
set -euo pipefail
[ "${1:-}" = --help ] || [ "${1:-}" = -h ] && { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0; }
root="$(cd "$(dirname "$0")/.." && pwd)"

groups_all=(host tests bench fuzz lint armhf armel i686 windows arm-windows wince web)
need=()      # Debian packages
web_need=()  # the same, without their recommendations (Chromium's are many)

has() { command -v "$1" >/dev/null 2>&1; }

group_host() {
  has cmake || need+=(cmake)
  has g++ || need+=(g++)
  has make || need+=(make)
  has pkg-config || need+=(pkg-config)
  [ -f /usr/include/ncurses.h ] || need+=(libncurses-dev)
}

group_tests() {
  group_host
  [ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
  has tmux || need+=(tmux)
}

group_bench() {
  [ -f /usr/include/mpfr.h ] || need+=(libmpfr-dev)
  [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
  has valgrind || need+=(valgrind)
}

# libFuzzer's runtime is a package of its own, named after clang's major
# version; whether clang can link a fuzz target at all is the test.
fuzzer_links() {
  has clang++ &&
    echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' |
      clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null
}
group_fuzz() {
  has cmake || need+=(cmake)
  has clang++ || need+=(clang)
  fuzzer_links || fuzz_runtime=1
}
fuzz_runtime=0

group_lint() {
  group_host
  has clang++ || need+=(clang)
  has clang-format || need+=(clang-format)
  has clang-tidy || need+=(clang-tidy)
}

# Cross builds build GoogleTest from its sources with the cross compiler and
# run the test programs under an emulator.
group_cross_common() {
  group_tests
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
}
# cross_group COMPILER EMULATOR PACKAGE...: a cross compiler (from the
# packages named) and the qemu-user emulator its programs run under.
cross_group() {
  group_cross_common
  has "$1" || need+=("${@:3}")
  has "$2" || need+=(qemu-user)
}
group_armhf() { cross_group arm-linux-gnueabihf-g++ qemu-arm g++-arm-linux-gnueabihf binutils-arm-linux-gnueabihf; }
group_armel() { cross_group arm-linux-gnueabi-g++ qemu-arm g++-arm-linux-gnueabi binutils-arm-linux-gnueabi; }
group_i686() { cross_group i686-linux-gnu-g++ qemu-i386 g++-i686-linux-gnu binutils-i686-linux-gnu; }
group_windows() {
  group_cross_common
  has x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
  [ -x /usr/lib/wine/wine64 ] || need+=(wine wine64)
}
# clang and lld build the DLL, llvm's tools make the import library of
# msvcrt.dll, compile the version resource and read the result; the
# processor-neutral mingw-w64 headers come with mingw-w64-common, the C++
# headers with the x86-64 compiler.
group_arm-windows() {
  has cmake || need+=(cmake)
  has clang || need+=(clang)
  has lld-link || need+=(lld)
  { has llvm-dlltool && has llvm-readobj && { has llvm-windres || has llvm-windres-14; }; } ||
    need+=(llvm)
  [ -f /usr/share/mingw-w64/include/stdlib.h ] || need+=(mingw-w64-common)
  has x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
}

group_wince() {
  group_armel
  has python3 || need+=(python3)
  has clang || need+=(clang)
  [ -f /usr/share/mingw-w64/include/stdlib.h ] || need+=(mingw-w64-common)
}

# Debian's Node (18.x) serves the web tests: puppeteer-core 24 asks for 18
# or later, and the web stage passes on Debian's 18.20.4. A newer Node
# already on the machine is kept.
node_major() { node -p 'process.versions.node.split(".")[0]' 2>/dev/null || echo 0; }
group_web() {
  has emcc || web_need+=(emscripten)
  # Emscripten's optimizer runs on Node with acorn.
  [ -d /usr/share/nodejs/acorn ] || [ -d /usr/lib/nodejs/acorn ] || web_need+=(node-acorn)
  if ! has node || [ "$(node_major)" -lt 18 ]; then web_need+=(nodejs); fi
  has npm || web_need+=(npm)
  has python3 || web_need+=(python3)
  has chromium || web_need+=(chromium)
}

# The npm packages of the web tests (puppeteer-core, axe-core and its
# puppeteer binding), as package-lock.json pins them, with web/tests/.npmrc;
# installed again only when the lock file changed.
npm_packages_missing() {
  local dir="$root/web/tests"
  [ -f "$dir/package-lock.json" ] &&
    { [ ! -f "$dir/node_modules/.package-lock.json" ] ||
      [ "$dir/package-lock.json" -nt "$dir/node_modules/.package-lock.json" ]; }
}
npm_packages() {
  if npm_packages_missing; then
    (cd "$root/web/tests" && npm ci --no-audit --no-fund)
  fi
}

apt_install() {
  [ $# -gt 0 ] || return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  # Another install may hold the lock for a while: wait for it.
  $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq "$@"
}

apt_updated=0
apt_update() {
  [ "$apt_updated" -eq 0 ] || return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt_updated=1
}

list_only=0
if [ "${1:-}" = --missing ]; then list_only=1; shift; fi
groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=("${groups_all[@]}")
for group in "${groups[@]}"; do
  case " ${groups_all[*]} " in
    *" $group "*) "group_$group" ;;
    *) echo "setup: no group '$group'; the groups are: ${groups_all[*]}" >&2; exit 2 ;;
  esac
done

if [ "$list_only" -eq 1 ]; then
  missing=("${need[@]}" "${web_need[@]}")
  [ "$fuzz_runtime" -eq 0 ] || missing+=("libFuzzer's runtime")
  case " ${groups[*]} " in *" web "*) npm_packages_missing && missing+=("the npm packages of web/tests") ;; esac
  [ ${#missing[@]} -eq 0 ] || printf '%s\n' "${missing[@]}" | sort -u | paste -sd' '
  exit 0
fi
if [ ${#need[@]} -gt 0 ] || [ ${#web_need[@]} -gt 0 ] || [ "$fuzz_runtime" -eq 1 ]; then
  apt_update
  # shellcheck disable=SC2046  # one package name per word
  apt_install $(printf '%s\n' "${need[@]}" | sort -u)
  [ ${#web_need[@]} -eq 0 ] ||
    apt_install --no-install-recommends $(printf '%s\n' "${web_need[@]}" | sort -u)
fi
if [ "$fuzz_runtime" -eq 1 ]; then
  fuzzer_links || apt_install "libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev"
  fuzzer_links || { echo "setup: clang cannot link a libFuzzer target" >&2; exit 1; }
fi
case " ${groups[*]} " in *" web "*) npm_packages ;; esac
exit 0
