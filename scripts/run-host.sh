#!/usr/bin/env bash
# Runs the host program tqcal with the arguments given, after installing what
# is missing and building the engine and the host where needed:
#   bash scripts/run-host.sh --keys "100 - 99.99 ="
#   bash scripts/run-host.sh            (in a terminal: the calculator screen)
# Everything but tqcal's own output goes to standard error.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

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
