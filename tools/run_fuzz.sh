#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a bounded time. Any
# finding (crash, failed check, sanitizer report, leak, timeout, memory
# limit) fails the run.
#
#   tools/run_fuzz.sh [seconds per target]      (default: 60)
#   KSR_FUZZ_BUILD=<folder> to build elsewhere   (default: build/fuzz)
#
# Each target first replays its seed corpus and every past finding in
# fuzz/regressions/<target>/, then fuzzes (with fuzz/<target>.dict, the
# tokens of its format, where there is one). New corpus entries go to a folder
# in the build tree, never into the repository. A finding is kept as
# <build>/findings/<target>/crash-...; copy it into fuzz/regressions/<target>/
# together with the fix. The targets run side by side, one per core.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${KSR_FUZZ_BUILD:-build/fuzz}
targets=(exports exchange)

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

run_target() {
  local target=$1
  local program=$build/fuzz_$target
  local work=$build/fuzz-work/$target
  local findings=$build/findings/$target
  rm -rf "$work" "$findings"
  mkdir -p "$work/corpus" "$findings"
  local seeds=fuzz/corpus/$target regressions=fuzz/regressions/$target
  local options=(-rss_limit_mb=2048 -timeout=10 -artifact_prefix="$findings/"
                 -print_final_stats=1)
  if [ -f "fuzz/$target.dict" ]; then options+=(-dict="fuzz/$target.dict"); fi

  # Past findings and seeds: each input must pass on its own.
  if ! "$program" "${options[@]}" -runs=0 "$seeds" "$regressions" >"$work/replay.log" 2>&1; then
    echo "fuzz: $target fails on a seed or regression input; see $work/replay.log" >&2
    tail -n 30 "$work/replay.log" >&2
    return 1
  fi

  if ! "$program" "${options[@]}" -max_total_time="$seconds" "$work/corpus" "$seeds" "$regressions" \
      >"$work/fuzz.log" 2>&1; then
    echo "fuzz: $target FOUND A FAULT; input in $findings/, log in $work/fuzz.log" >&2
    grep -E -A 30 "ERROR|fuzz check failed|runtime error" "$work/fuzz.log" | head -n 60 >&2 || tail -n 40 "$work/fuzz.log" >&2
    return 1
  fi
  local runs time corpus
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log")
  time=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$work/fuzz.log" | grep -o '[0-9]* second' | cut -d' ' -f1)
  corpus=$(find "$work/corpus" "$seeds" "$regressions" -type f ! -name '.*' | wc -l)
  echo "fuzz: $target clean: $runs executions in $time s, corpus $corpus inputs"
}

pids=()
for target in "${targets[@]}"; do
  run_target "$target" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
