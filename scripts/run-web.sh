#!/usr/bin/env bash
# Serves the calculator page on http://127.0.0.1:8080/ (PORT=... for another
# port), compressed, after installing what is missing and building the page
# (the engine's WebAssembly module and the page's files, in build-web/site)
# where needed:
#   bash scripts/run-web.sh
# The page also works opened straight from build-web/site/index.html once
# built, and, after one visit over HTTP, offline.
set -euo pipefail
[ "${1:-}" = --help ] || [ "${1:-}" = -h ] && { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0; }
root="$(cd "$(dirname "$0")/.." && pwd)"
port="${PORT:-8080}"

bash "$root/scripts/setup.sh" web >&2

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
if ! bash "$root/web/build.sh" >"$log" 2>&1; then
  cat "$log" >&2
  echo "run-web: the build failed (output above)" >&2
  exit 1
fi
rm -f "$log"
trap - EXIT

echo "run-web: the calculator is on http://127.0.0.1:$port/ (Ctrl-C stops)" >&2
exec python3 "$root/scripts/serve-web.py" --port "$port" --dir "$root/build-web/site" >/dev/null
