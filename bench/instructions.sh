#!/usr/bin/env bash
# Prints how many machine instructions the engine executes per key and per
# calculation over the corpus of everyday calculations (bench/corpus.txt),
# counted by callgrind: the same figures on every run, unlike times.
#
#   bash bench/instructions.sh [--build-dir DIR] [--corpus FILE]
#
# Builds the shared library and the replay driver (bench/replay.cpp) in DIR
# (default: build) with the project's default build type, then runs the
# driver under callgrind once per figure, collecting only inside the
# driver's replay function (or one key family's press function): start-up,
# loading and converting the corpus never count. Symbols are bound at load
# time (LD_BIND_NOW), so no lazy binding lands in the first calls.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
corpus=bench/corpus.txt
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) dir=$2; shift 2 ;;
    --corpus) corpus=$2; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "instructions: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done

if ! command -v valgrind >/dev/null; then
  echo "instructions: valgrind is needed (apt-get install valgrind)" >&2
  exit 1
fi

log=$(mktemp)
trap 'rm -f "$log" "$log".cg' EXIT
if ! { cmake -S . -B "$dir" && cmake --build "$dir" -j2 --target tqcal tqcal_replay; } >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
replay="$dir/bench/tqcal_replay"

# collect FUNCTION ARGS...: instructions executed inside FUNCTION and
# everything it calls, during one run of the driver with ARGS.
collect() {
  local fn=$1; shift
  LD_BIND_NOW=1 valgrind --tool=callgrind --toggle-collect="$fn" \
    --callgrind-out-file="$log".cg "$replay" "$corpus" "$@" >/dev/null 2>"$log"
  sed -n 's/^==[0-9]*== Collected : \([0-9]*\)$/\1/p' "$log"
}

# count NAME: a count the driver prints (calculations, keys, keys.digit, ...)
counts=$("$replay" "$corpus")
count() { printf '%s\n' "$counts" | sed -n "s/^$1 //p"; }

calculations=$(count calculations)
keys=$(count keys)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.0f", a / b; else printf "-" }'; }
thousands() { printf '%s' "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/;ta'; }

compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$dir/CMakeCache.txt")
flags=$(sed -n 's/^CXX_FLAGS = //p' "$dir/CMakeFiles/tqcal_objects.dir/flags.make" 2>/dev/null || true)
echo "Instructions executed by the engine (callgrind), $corpus:"
echo "$calculations calculations, $keys keys; $(uname -m), $("$compiler" --version | head -n 1)"
echo "engine flags: ${flags:-unknown}"
echo
printf '%-40s %10s %16s\n' "" "per key" "per calculation"
row() {
  local label=$1 total=$2
  printf '%-40s %10s %16s\n' "$label" "$(thousands "$(ratio "$total" "$keys")")" \
    "$(thousands "$(ratio "$total" "$calculations")")"
}
row "keys, algebraic mode (host protocol)" "$(collect tqcal_replay_keys --mode algebraic)"
row "keys, equal priority (host protocol)" "$(collect tqcal_replay_keys --mode equal)"
row "TQCAL_CalcString (one call each)" "$(collect tqcal_replay_calc_string --calc-string)"

echo
echo "By key family, algebraic mode (the host protocol for one key):"
for family in digit operator equals function memory other; do
  n=$(count "keys.$family")
  [ "${n:-0}" -gt 0 ] || continue
  total=$(collect "tqcal_press_$family" --mode algebraic --by-family)
  printf '  %-10s %5s keys %10s per key\n' "$family" "$n" "$(thousands "$(ratio "$total" "$n")")"
done
