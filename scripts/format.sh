#!/usr/bin/env bash
# Formats the C and C++ sources with clang-format 14 (Debian 12's), as
# .clang-format says: the C sources (*.c, and the plain C headers
# include/*.h and conformance/*.h) as include/.clang-format, every other
# source as the .clang-format at the top. engine/math/tables.h is written by
# tools/math/gen_tables.sh and stays as that writes it.
#
#   bash scripts/format.sh           rewrites the files that are not formatted
#   bash scripts/format.sh --check   changes nothing: names those files and
#                                    fails when there are any
#
# The files are those git knows and those it would add (not ignored). When
# STAGE_COUNT names a file, the number of files checked is written there.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "format: unknown argument '$1' (try --help)" >&2; exit 2 ;;
esac

# Another major version of clang-format lays some lines out differently.
tool=""
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" >/dev/null &&
     "$candidate" --version | grep -q 'version 14\.'; then
    tool=$candidate
    break
  fi
done
if [ -z "$tool" ]; then
  echo "format: clang-format 14 is needed (bash scripts/setup.sh lint)" >&2
  exit 1
fi

# style FILE: the configuration FILE follows.
style() {
  case "$1" in
    *.c | include/*.h | conformance/*.h) echo "file:include/.clang-format" ;;
    *) echo "file:.clang-format" ;;
  esac
}

mapfile -t files < <(git ls-files -co --exclude-standard -- '*.c' '*.cpp' '*.h' |
                     grep -vx 'engine/math/tables.h' | sort -u)
unformatted=()
for file in "${files[@]}"; do
  [ -f "$file" ] || continue  # deleted, not yet committed
  if ! "$tool" --style="$(style "$file")" "$file" | cmp -s - "$file"; then
    unformatted+=("$file")
    [ "$check" -eq 1 ] || "$tool" --style="$(style "$file")" -i "$file"
  fi
done

[ -z "${STAGE_COUNT:-}" ] || echo "${#files[@]}" >"$STAGE_COUNT"
if [ "$check" -eq 0 ]; then
  echo "format: ${#unformatted[@]} of ${#files[@]} files rewritten"
  exit 0
fi
if [ ${#unformatted[@]} -gt 0 ]; then
  printf '%s\n' "${unformatted[@]}"
  echo "format: ${#unformatted[@]} of ${#files[@]} files are not formatted; to format them:"
  echo "    bash scripts/format.sh"
  exit 1
fi
echo "format: all ${#files[@]} files formatted"
