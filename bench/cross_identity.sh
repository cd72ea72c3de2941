#!/usr/bin/env bash
# Builds bench/identity.cpp with the engine's numeric sources for several
# targets and checks that every target prints the same hashes:
#   native        x86-64 Linux, -O2
#   native-fma    x86-64 Linux, -O3 -march=native (FMA where the processor
#                 has it; -ffp-contract=off must keep it out)
#   native-clang  x86-64 Linux, clang++ -O2
#   armhf         arm-linux-gnueabihf-g++, run under qemu-arm
#   armel         arm-linux-gnueabi-g++ (ARMv5TE, soft float: the engine's
#                 own double helpers), run under qemu-arm
#   windows       x86_64-w64-mingw32-g++-posix -static, run under wine
#   i686-sse2     i686-linux-gnu-g++ -static -msse2 -mfpmath=sse
# Targets whose compiler or runner is missing are skipped with a note.
#
#   bash bench/cross_identity.sh
set -euo pipefail
[ "${1:-}" = --help ] || [ "${1:-}" = -h ] && { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0; }
cd "$(dirname "$0")/.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

sources=(bench/identity.cpp engine/math/sin_cos_tan.cpp engine/math/inverse_trig.cpp
         engine/math/exp_log.cpp engine/numeric/decimal.cpp engine/numeric/trig.cpp
         engine/numeric/functions.cpp engine/numeric/power.cpp engine/math/binary64.cpp)
flags=(-std=c++20 -ffp-contract=off -fno-fast-math -Iengine -Iinclude -Iconformance)

# build NAME COMPILER RUNNER... -- EXTRA_FLAGS...
build_and_run() {
  local name=$1 cxx=$2; shift 2
  local runner=()
  while [ "$1" != "--" ]; do runner+=("$1"); shift; done
  shift
  if ! command -v "$cxx" >/dev/null; then echo "$name: skipped ($cxx not found)"; return; fi
  if [ ${#runner[@]} -gt 0 ] && ! command -v "${runner[0]}" >/dev/null; then
    echo "$name: skipped (${runner[0]} not found)"; return
  fi
  "$cxx" "${flags[@]}" "$@" "${sources[@]}" -o "$out/$name.exe"
  # (Windows programs end their lines with CR LF.)
  "${runner[@]}" "$out/$name.exe" | tr -d '\r' >"$out/$name.txt"
  echo "$name: $(sha256sum <"$out/$name.txt" | cut -c1-16)"
}

build_and_run native g++ -- -O2
build_and_run native-fma g++ -- -O3 -march=native
build_and_run native-clang clang++ -- -O2
build_and_run armhf arm-linux-gnueabihf-g++ qemu-arm -L /usr/arm-linux-gnueabihf -- -O2
build_and_run armel arm-linux-gnueabi-g++ qemu-arm -L /usr/arm-linux-gnueabi -- -O2
WINEDEBUG=-all build_and_run windows x86_64-w64-mingw32-g++-posix wine -- -O2 -static
build_and_run i686-sse2 i686-linux-gnu-g++ -- -O2 -static -msse2 -mfpmath=sse

status=0
for f in "$out"/*.txt; do
  if ! cmp -s "$out/native.txt" "$f"; then
    echo "$(basename "$f" .txt) differs from native:"
    diff "$out/native.txt" "$f" || true
    status=1
  fi
done
[ $status -eq 0 ] && echo "all targets identical:" && cat "$out/native.txt"
exit $status
