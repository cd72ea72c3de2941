#!/usr/bin/env bash
# Runs the engine's binary64 routines (engine/math) over many random operand
# pairs: natively, where every sum, difference, product, quotient and
# comparison is checked against the processor's, and on armel (ARMv5TE, soft
# float) under qemu-arm, which has no hardware doubles and must give the
# same hash of all results as the native run. The unit test does 10^6
# pairs; this does as many as asked (default 10^8: about a minute natively,
# a few under qemu).
#
#   bash bench/binary64.sh [--pairs N] [--no-armel]
#
# Uses the build folders of the test command (build, build-armel) and
# builds the layer tests there when needed.
set -euo pipefail
cd "$(dirname "$0")/.."

pairs=100000000
armel=1
while [ $# -gt 0 ]; do
  case "$1" in
    --pairs) pairs=$2; shift 2 ;;
    --no-armel) armel=0; shift ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "binary64: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done
command -v arm-linux-gnueabi-g++ >/dev/null && command -v qemu-arm >/dev/null || armel=0

log=$(mktemp)
trap 'rm -f "$log"' EXIT
build() {
  if ! { cmake -S . -B "$1" "${@:2}" && cmake --build "$1" -j2 --target tqcal_tests; } >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
}

# run NAME COMMAND...: runs the random-pair test, prints its summary line and
# leaves the hash in $hash.
run() {
  local name=$1 out line start=$SECONDS; shift
  if ! out=$(TQCAL_BINARY64_PAIRS=$pairs "$@" --gtest_filter=Binary64.RandomPairs 2>&1); then
    printf '%s\n' "$out" | tail -n 40 >&2
    echo "$name: results differ from the hardware" >&2
    exit 1
  fi
  line=$(grep '^binary64 random pairs:' <<<"$out")
  printf '%-8s %s (%ds)\n' "$name:" "${line#binary64 random pairs: }" $((SECONDS - start))
  hash=$(sed -n 's/.*hash \(0x[0-9A-F]*\).*/\1/p' <<<"$line")
}

build build
run native build/tests/tqcal_tests
native=$hash
if [ "$armel" -eq 1 ]; then
  build build-armel -DCMAKE_TOOLCHAIN_FILE="$PWD"/cmake/toolchains/arm-linux-gnueabi.cmake
  run armel qemu-arm -L /usr/arm-linux-gnueabi build-armel/tests/tqcal_tests
  if [ "$hash" != "$native" ]; then
    echo "armel gives other results than the native build" >&2
    exit 1
  fi
  echo "armel and native results identical"
fi
