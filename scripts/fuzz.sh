#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang and runs each one for a
# bounded time on a copy of its seed corpus. Any finding (sanitizer report,
# broken promise, crash, hang, leak) fails the run; the input that caused it
# is kept in build-fuzz/findings/ to be turned into a regression test.
#
# FUZZ_SECONDS sets the time per target (default 20, which the test command
# uses too). When STAGE_COUNT names
# a file, the number of targets that ran clean is written there.
set -euo pipefail
[ "${1:-}" = --help ] || [ "${1:-}" = -h ] && { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0; }
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
build=build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)
# Every fuzz/fuzz_NAME.cpp is a target, as fuzz/CMakeLists.txt builds them.
targets=()
for source in fuzz/fuzz_*.cpp; do
  name=${source#fuzz/fuzz_}
  targets+=("${name%.cpp}")
done

# clang and libFuzzer's runtime for its version (nothing when present).
bash scripts/setup.sh fuzz

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

mkdir -p "$build/findings"
failed=()
for target in "${targets[@]}"; do
  # New inputs go into a scratch copy: the committed corpus stays small.
  work="$build/run/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cp fuzz/corpus/"$target"/* "$work/corpus/"
  echo "== fuzz_$target: ${seconds}s =="
  if "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
       "$work/corpus" >"$work/log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$work/log" || tail -n 3 "$work/log"
  else
    failed+=("$target")
    tail -n 60 "$work/log"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]}" >&2
  ls -1 "$build/findings" >&2
  exit 1
fi
echo "fuzzing: no findings"
[ -n "${STAGE_COUNT:-}" ] && echo "${#targets[@]}" >"$STAGE_COUNT"
exit 0
