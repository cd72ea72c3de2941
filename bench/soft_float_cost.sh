#!/usr/bin/env bash
# Prints what the engine's own double helpers cost on 32-bit ARM without a
# floating-point unit: the time of the corpus keys (bench/corpus.txt, every
# calculation key by key through the host protocol, replayed R times) on
# the armel build under qemu-arm, once with the engine's helpers and once
# with the compiler's (TQCAL_SOFT_FLOAT_HELPERS=OFF), and the ratio. The two
# libraries run alternately, N times each, in one run of this script; the
# medians of the processor times are compared. Times under an emulator are not a device's, but
# both libraries are emulated alike.
#
#   bash bench/soft_float_cost.sh [--repeat R] [--runs N] [--build-dir DIR]
#
# Defaults: R 100, N 7, DIR build-soft-float (DIR/own, DIR/compiler).
set -euo pipefail
cd "$(dirname "$0")/.."

repeat=100
runs=7
dir=build-soft-float
while [ $# -gt 0 ]; do
  case "$1" in
    --repeat) repeat=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build-dir) dir=$2; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "soft_float_cost: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done

triple=arm-linux-gnueabi
for tool in $triple-g++ qemu-arm; do
  command -v "$tool" >/dev/null ||
    { echo "soft_float_cost: $tool not found (bash scripts/setup.sh installs it)" >&2; exit 1; }
done

log=$(mktemp)
trap 'rm -f "$log"' EXIT
build() {
  cmake -S . -B "$dir/$1" -DCMAKE_TOOLCHAIN_FILE="$PWD"/cmake/toolchains/$triple.cmake \
    -DTQCAL_BUILD_TESTS=OFF -DTQCAL_SOFT_FLOAT_HELPERS="$2" &&
    cmake --build "$dir/$1" -j2 --target tqcal
}
# The driver, built once; each library is found through LD_LIBRARY_PATH.
if ! { build own ON && build compiler OFF &&
       $triple-g++ -std=c++20 -O2 -Iinclude -Itests/kit -Iconformance bench/replay.cpp \
         -L"$dir/own" -ltqcal -o "$dir/replay"; } >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi

# seconds LIBDIR: the processor time (user and system) of one replay run
# with the library in DIR/LIBDIR, which other work on the machine disturbs
# less than the wall time; the replay's checksum goes to DIR/checksum.LIBDIR.
seconds() {
  local TIMEFORMAT='%3U %3S' t
  t=$( { time qemu-arm -L /usr/$triple -E LD_LIBRARY_PATH="$dir/$1" "$dir/replay" \
           bench/corpus.txt --repeat "$repeat" >"$dir/out.$1"; } 2>&1 )
  sed -n 's/^checksum //p' "$dir/out.$1" >"$dir/checksum.$1"
  awk '{ printf "%.3f\n", $1 + $2 }' <<<"$t"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

own=()
compiler=()
for ((i = 0; i < runs; i++)); do
  own+=("$(seconds own)")
  compiler+=("$(seconds compiler)")
done
own_median=$(printf '%s\n' "${own[@]}" | median)
compiler_median=$(printf '%s\n' "${compiler[@]}" | median)
cxx=$("$triple-g++" --version | head -n 1)
echo "armel (ARMv5TE, soft float) under qemu-arm: bench/corpus.txt key by key, $repeat times a run"
echo "compiler: $cxx"
printf '  engine helpers    median %ss  (runs: %s)  checksum %s\n' "$own_median" "${own[*]}" \
  "$(cat "$dir/checksum.own")"
printf '  compiler helpers  median %ss  (runs: %s)  checksum %s\n' "$compiler_median" \
  "${compiler[*]}" "$(cat "$dir/checksum.compiler")"
awk -v a="$own_median" -v b="$compiler_median" \
  'BEGIN { printf "  ratio engine / compiler: %.2f\n", a / b }'
