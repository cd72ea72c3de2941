#!/usr/bin/env bash
# Regenerates engine/numeric/mathlib_tables.h from MPFR (needs libmpfr-dev).
set -euo pipefail
cd "$(dirname "$0")/../.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -Wall -Wextra -ffp-contract=off tools/mathlib/gen_tables.cpp -o "$tmp/gen_tables" -lmpfr -lgmp
"$tmp/gen_tables" >"$tmp/mathlib_tables.h"
mv "$tmp/mathlib_tables.h" engine/numeric/mathlib_tables.h
echo "wrote engine/numeric/mathlib_tables.h"
