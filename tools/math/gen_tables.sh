#!/usr/bin/env bash
# Regenerates engine/math/tables.h from MPFR (needs libmpfr-dev).
set -euo pipefail
[ "${1:-}" = --help ] || [ "${1:-}" = -h ] && { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0; }
cd "$(dirname "$0")/../.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -Wall -Wextra -ffp-contract=off tools/math/gen_tables.cpp -o "$tmp/gen_tables" -lmpfr -lgmp
"$tmp/gen_tables" >"$tmp/tables.h"
mv "$tmp/tables.h" engine/math/tables.h
echo "wrote engine/math/tables.h"
