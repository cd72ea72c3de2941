#!/usr/bin/env bash
# Runs the host program tqcal with the arguments given, after installing what
# is missing and building the engine and the host where needed:
#   bash scripts/run-host.sh --keys "100 - 99.99 ="
#   bash scripts/run-host.sh            (in a terminal: the calculator screen)
# Everything but tqcal's own output goes to standard error.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
# --help alone: this script's usage, and tqcal's when it is built (without
# installing or building anything first).
if [ "$#" -eq 1 ] && { [ "$1" = --help ] || [ "$1" = -h ]; }; then
  awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"
  if [ -x "$build/host/tqcal" ]; then echo; "$build/host/tqcal" --help; else
    echo "(tqcal --help lists its options and keys once the first run has built it)"; fi
  exit 0
fi

# What building and running the host needs, when missing; nothing more.
bash "$root/scripts/setup.sh" host >&2

# Say so before a build, which takes a while the first time, so that the
# wait does not look like a hang: when there is no program yet, or a source
# is newer than it.
program="$build/host/tqcal"
if [ ! -x "$program" ] ||
   [ -n "$(find "$root/engine" "$root/host" "$root/include" "$root/CMakeLists.txt" \
             -newer "$program" -print -quit 2>/dev/null)" ]; then
  echo "building tqcal (about 30 s the first time)…" >&2
fi

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
if ! { { [ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DTQCAL_WERROR=ON; } &&
       cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target tqcal_host; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "run-host: the build failed (output above)" >&2
  exit 1
fi
rm -f "$log"
trap - EXIT
exec "$program" "$@"
