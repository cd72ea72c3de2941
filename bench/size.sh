#!/usr/bin/env bash
# Prints the size of the stripped engine library on x86-64 Linux and 32-bit
# ARM Linux (hard float), and of the Windows CE DLL, and what the bytes are:
# machine code, the tables of the elementary functions, the rest of the
# read-only data, and the file's own overhead (ELF headers, dynamic symbols,
# relocations, page padding).
#
# Builds only the library, once per target, in DIR/x86_64, DIR/armhf and
# DIR/wince (default DIR: build-size) with the project's default build type;
# --os builds with TQCAL_OPTIMIZE_SIZE=ON (in DIR/x86_64-os, DIR/armhf-os). A
# target whose cross compiler is missing is left out (scripts/setup.sh
# installs it).
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build-size
os=OFF
while [ $# -gt 0 ]; do
  case "$1" in
    --os) os=ON; shift ;;
    --build-dir) dir=$2; shift 2 ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "size: unknown argument '$1' (try --help)" >&2; exit 2 ;;
  esac
done
suffix=""; [ "$os" = ON ] && suffix=-os

log=$(mktemp)
stripped=$(mktemp)
trap 'rm -f "$log" "$stripped"' EXIT

thousands() { printf '%s' "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/;ta'; }

# section_sum FILE SECTION...: bytes of the named sections in FILE.
section_sum() {
  local file=$1; shift
  local total=0 name bytes
  while read -r name bytes _; do
    for s in "$@"; do [ "$name" = "$s" ] && total=$((total + bytes)); done
  done < <(size -A "$file")
  echo "$total"
}

# table_bytes NM FILE: bytes of the elementary functions' tables, named in
# the unstripped library's symbol table.
table_bytes() {
  local total=0 size
  while read -r _ size _; do total=$((total + 16#$size)); done \
    < <("$1" -S -C "$2" | grep 'math::tables::')
  echo "$total"
}

printf '%-8s %9s %9s %9s %9s %9s %9s\n' target file goal code tables rodata overhead
# report NAME TOOLCHAIN PREFIX GOAL
report() {
  local name=$1 toolchain=$2 prefix=$3 goal=$4
  if ! command -v "${prefix}g++" >/dev/null; then
    printf '%-8s (no %sg++: left out)\n' "$name" "$prefix"
    return
  fi
  local build=$dir/$name$suffix
  local args=(-S . -B "$build" -DTQCAL_BUILD_TESTS=OFF -DTQCAL_BUILD_HOST=OFF
              -DTQCAL_INSTALL=OFF -DTQCAL_OPTIMIZE_SIZE=$os)
  [ -n "$toolchain" ] && args+=(--toolchain "$toolchain")
  if ! { cmake "${args[@]}" && cmake --build "$build" -j2 --target tqcal; } >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
  local library
  library=$(find "$build" -maxdepth 1 -name 'libtqcal.so.*.*.*' | head -n 1)
  "${prefix}strip" -o "$stripped" "$library"
  local file code tables rodata
  file=$(stat -c %s "$stripped")
  code=$(section_sum "$stripped" .text .plt .plt.got .init .fini)
  tables=$(table_bytes "${prefix}nm" "$library")
  rodata=$(( $(section_sum "$stripped" .rodata) - tables ))
  printf '%-8s %9s %9s %9s %9s %9s %9s\n' "$name" "$(thousands "$file")" \
    "$(thousands "$goal")" "$(thousands "$code")" "$(thousands "$tables")" \
    "$(thousands "$rodata")" "$(thousands $((file - code - tables - rodata)))"
}

# The Windows CE DLL (always optimized for size, its arithmetic aside: see
# cmake/TqcalWinCE.cmake). The DLL carries no symbols, so the code and the
# tables are read from the linked image it is written from, whose sections
# it copies byte for byte.
report_wince() {
  local goal=102400 prefix=arm-linux-gnueabi- build=$dir/wince
  if ! command -v "${prefix}g++" >/dev/null || ! command -v python3 >/dev/null; then
    printf '%-8s (no %sg++ or python3: left out)\n' wince "$prefix"
    return
  fi
  if ! { cmake -S . -B "$build" --toolchain cmake/toolchains/arm-wince.cmake &&
         cmake --build "$build" -j2 --target tqcal; } >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
  local file code tables rodata
  file=$(stat -c %s "$build/bin/tqcal.dll")
  code=$(section_sum "$build/tqcal.elf" .text)
  tables=$(table_bytes "${prefix}nm" "$build/tqcal.elf")
  rodata=$(( $(section_sum "$build/tqcal.elf" .rdata) - tables ))
  printf '%-8s %9s %9s %9s %9s %9s %9s\n' wince "$(thousands "$file")" \
    "$(thousands "$goal")" "$(thousands "$code")" "$(thousands "$tables")" \
    "$(thousands "$rodata")" "$(thousands $((file - code - tables - rodata)))"
}

report x86_64 "" "" 81920
report armhf cmake/toolchains/arm-linux-gnueabihf.cmake arm-linux-gnueabihf- 65536
report_wince
echo "bytes; code: .text, .plt, .init, .fini; tables: the elementary functions'"
echo "tables; rodata: the other read-only data; overhead: the rest of the file"
echo "(for wince: headers, export directory, version resource, base relocations,"
echo "file alignment)."
echo "optimize for size (TQCAL_OPTIMIZE_SIZE): $os"
