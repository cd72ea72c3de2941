#!/usr/bin/env bash
# Counts the machine instructions that the Windows CE DLL executes per key
# under qemu-arm -cpu pxa270 (the handheld's XScale class), loaded by the
# project's PE loader (tools/pe's libtqcal_pe.so) in an armel replay
# program (bench/replay.cpp), beside the armel library (ARMv5TE, soft float,
# -O2) in the same program: an everyday mix of keys (per key), and the key
# sequences of the conformance vectors (per calculation, each in the mode it
# was recorded in).
#
#   bash bench/ce_instructions.sh [--dll FILE] [--no-armel] [--check N]
#
# The counts are exact, the same on every run: a qemu plugin of ours
# (bench/qemu_insn_plugin.c) counts the instructions of every translated
# block, and only the blocks inside the DLL's image (the shim says where it
# mapped it) or inside libtqcal.so and the C library it calls (the dynamic
# loader says where they lie) count. Every figure is the difference of two
# runs that replay once and twice, so loading and start-up drop out.
# --dll measures that DLL (default: build-wince/bin/tqcal.dll, built here);
# --check N exits with status 1 when the DLL's everyday mix costs more than
# N instructions per key (the wince stage of the test command holds 3,500).
# Builds in build-wince, build-wince-pe (the shim) and build-armel.
set -euo pipefail
cd "$(dirname "$0")/.."

dll=
armel=1
bound=
while [ $# -gt 0 ]; do
  case "$1" in
    --dll) dll=$2; shift 2 ;;
    --no-armel) armel=0; shift ;;
    --check) bound=$2; shift 2 ;;
    -h|--help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "ce_instructions: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done

triple=arm-linux-gnueabi
for tool in $triple-g++ qemu-arm cc python3; do
  command -v "$tool" >/dev/null ||
    { echo "ce_instructions: $tool not found (bash scripts/setup.sh wince installs it)" >&2; exit 1; }
done

work=build-wince-pe/ce-instructions
log=$(mktemp)
trap 'rm -f "$log"' EXIT
quietly() { "$@" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }; }
configured() { [ -f "$1/CMakeCache.txt" ]; }
tc() { echo "-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/toolchains/$1.cmake"; }

# The folders are the test command's, configured as its stages do.
if [ -z "$dll" ]; then
  configured build-wince || quietly cmake -S . -B build-wince -DTQCAL_WERROR=ON "$(tc arm-wince)"
  quietly cmake --build build-wince -j2
  dll=build-wince/bin/tqcal.dll
fi
[ -f "$dll" ] || { echo "ce_instructions: $dll: no such file" >&2; exit 1; }
dll=$(realpath "$dll")
configured build-wince-pe ||
  quietly cmake -S . -B build-wince-pe -DTQCAL_WERROR=ON "$(tc $triple)" -DTQCAL_PE_SHIM=ON \
    -DTQCAL_PE_DLL_FILE="$dll" -DTQCAL_QEMU_CPU=pxa270
quietly cmake --build build-wince-pe -j2 --target tqcal_pe
if [ "$armel" -eq 1 ]; then
  configured build-armel || quietly cmake -S . -B build-armel -DTQCAL_WERROR=ON "$(tc $triple)"
  quietly cmake --build build-armel -j2 --target tqcal
fi

# The plugin (for the build machine) and the replay program, linked once
# with the shim and once with the armel library.
mkdir -p "$work"
quietly cc -shared -fPIC -O2 -std=c99 -fvisibility=hidden bench/qemu_insn_plugin.c \
  -o "$work/libqemu_insn.so"
quietly $triple-g++ -std=c++20 -O2 -Iinclude -Itests/kit -Iconformance -c bench/replay.cpp \
  -o "$work/replay.o"
quietly $triple-g++ "$work/replay.o" -Lbuild-wince-pe/tools/pe -ltqcal_pe -o "$work/replay-dll"
[ "$armel" -eq 0 ] ||
  quietly $triple-g++ "$work/replay.o" -Lbuild-armel -ltqcal -o "$work/replay-armel"

# The everyday mix, and the conformance sequences by the mode recorded
# (1 algebraic, 0 equal priority; the two of other modes are left out).
printf '%s\n' "12.5 * 4 =" "100 - 99.99 =" "30 sin + 2 sqrt =" "( 1 + 2 ) * 3 =" AC >"$work/mix.txt"
sed -n 's/^S 1 //p' conformance/vectors.txt >"$work/algebraic.txt"
sed -n 's/^S 0 //p' conformance/vectors.txt >"$work/equal.txt"

# inside RANGES COUNTS: the instructions of the blocks in COUNTS that lie in
# one of RANGES (lines "START SIZE", hexadecimal).
inside() {
  python3 - "$1" "$2" <<'PY'
import sys
ranges = [(int(a, 16), int(a, 16) + int(n, 16)) for a, n in (l.split() for l in open(sys.argv[1]))]
print(sum(int(n) for a, n in (l.split() for l in open(sys.argv[2]))
          if any(lo <= int(a, 16) < hi for lo, hi in ranges)))
PY
}

# replay KIND CORPUS MODE REPEAT: runs the replay under the plugin and
# leaves in $result the instructions inside the DLL (KIND dll) or inside
# libtqcal.so and the C library (KIND armel).
replay() {
  local kind=$1 corpus=$2 mode=$3 repeat=$4 env
  if [ "$kind" = dll ]; then
    env=(-E TQCAL_PE_DLL="$dll" -E TQCAL_PE_SHOW_BASE=1 -E LD_LIBRARY_PATH=build-wince-pe/tools/pe)
  else
    env=(-E LD_DEBUG=files -E LD_LIBRARY_PATH=build-armel)
  fi
  qemu-arm -cpu pxa270 -L /usr/$triple "${env[@]}" \
    -plugin "$work/libqemu_insn.so,out=$work/blocks.txt" \
    "$work/replay-$kind" "$corpus" --mode "$mode" --repeat "$repeat" >"$work/out.txt" 2>"$work/err.txt" ||
    { cat "$work/err.txt" >&2; exit 1; }
  if [ "$kind" = dll ]; then
    sed -n 's/^libtqcal_pe: .* mapped at 0x\([0-9A-F]*\), 0x\([0-9A-F]*\) bytes$/\1 \2/p' \
      "$work/err.txt" >"$work/ranges.txt"
  else
    awk '/file=/ { name = $0 } / base: / && name ~ /file=(libtqcal\.so|libc\.so)/ {
           for (i = 1; i < NF; i++) if ($i == "base:") b = $(i + 1); else if ($i == "size:") s = $(i + 1)
           sub(/^0x/, "", b); sub(/^0x/, "", s); print b, s; name = "" }' "$work/err.txt" >"$work/ranges.txt"
  fi
  [ -s "$work/ranges.txt" ] || { echo "ce_instructions: no address range for the $kind" >&2; exit 1; }
  result=$(inside "$work/ranges.txt" "$work/blocks.txt")
}

# once KIND CORPUS MODE: leaves the instructions of one replay of CORPUS in
# $result, and the replay's counts of keys and calculations in $keys and
# $calculations.
once() {
  local twice
  replay "$1" "$2" "$3" 2
  twice=$result
  replay "$1" "$2" "$3" 1
  result=$((twice - result))
  keys=$(sed -n 's/^keys //p' "$work/out.txt")
  calculations=$(sed -n 's/^calculations //p' "$work/out.txt")
}

thousands() { printf '%s' "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/;ta'; }
per() { thousands "$(awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", a / b }')"; }

# row KIND LABEL: one line of figures; leaves the mix's per-key figure in $mix.
row() {
  local mix_total mix_keys total=0 all_keys=0 all_calculations=0 mode
  once "$1" "$work/mix.txt" algebraic
  mix_total=$result
  mix_keys=$keys
  for mode in algebraic equal; do
    once "$1" "$work/$mode.txt" "$mode"
    total=$((total + result))
    all_keys=$((all_keys + keys))
    all_calculations=$((all_calculations + calculations))
  done
  mix=$(awk -v a="$mix_total" -v b="$mix_keys" 'BEGIN { printf "%.0f", a / b }')
  printf '%-38s %10s %16s %10s\n' "$2" "$(thousands "$mix")" "$(per $total $all_calculations)" \
    "$(per $total $all_keys)"
  counted="$mix_keys keys in the mix; $all_calculations conformance sequences, $all_keys keys"
}

echo "Instructions executed under qemu-arm -cpu pxa270 (exact counts, bench/qemu_insn_plugin.c)"
echo "mix: $(paste -sd'|' "$work/mix.txt" | sed 's/|/, /g')"
printf '%-38s %10s %16s %10s\n' "" "mix" "conformance" ""
printf '%-38s %10s %16s %10s\n' "" "per key" "per calculation" "per key"
row dll "Windows CE DLL (ARMv4T, tqcal.dll)"
dll_mix=$mix
[ "$armel" -eq 0 ] || row armel "armel library (ARMv5TE), with libc"
echo "($counted; $(stat -c %s "$dll") bytes: $dll)"

if [ -n "$bound" ] && [ "$dll_mix" -gt "$bound" ]; then
  echo "ce_instructions: the DLL's everyday mix costs $dll_mix instructions per key, above $bound" >&2
  exit 1
fi
