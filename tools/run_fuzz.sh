#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a bounded time. Any
# finding (crash, failed check, sanitizer report, leak, timeout, memory
# limit) fails the run.
#
#   tools/run_fuzz.sh [seconds per target]     every target, two at a time (default: 20 s each)
#   tools/run_fuzz.sh --campaign MINUTES       every target for MINUTES each, one after the
#                                              other, then its corpus minimised into
#                                              fuzz/corpus/<target>/ (for a long run, not CI)
#   KSR_FUZZ_BUILD=<folder> to build elsewhere  (default: build/fuzz)
#   KSR_FUZZ_TARGETS="design splay"             to run only some targets
#
# Each target first replays its seed corpus and every past finding in
# fuzz/regressions/<target>/, then fuzzes (with fuzz/<target>.dict, the
# tokens of its format, where there is one). New corpus entries go to a folder
# in the build tree; only a campaign writes the minimised corpus back into
# the repository. A finding is kept as <build>/findings/<target>/crash-...;
# copy it into fuzz/regressions/<target>/ together with the fix.
#
# Every run prints, per target, the inputs executed and the inputs per
# second (over the fuzzing alone, without the replay before it).
set -euo pipefail
cd "$(dirname "$0")/.."

campaign_minutes=""
seconds=20
if [ "${1:-}" = "--campaign" ]; then
  campaign_minutes=${2:?"--campaign needs the minutes per target"}
  seconds=$((campaign_minutes * 60))
elif [ -n "${1:-}" ]; then
  seconds=$1
fi
build=${KSR_FUZZ_BUILD:-build/fuzz}
read -r -a targets <<<"${KSR_FUZZ_TARGETS:-exports exchange design splay host_inputs}"

cmake --preset fuzz -B "$build" >/dev/null
# The compiler does not list the coverage ignore list among an object's
# inputs: after an edit of the list, every object is built again.
ignore_list_built=$build/coverage_ignore.built
clean_first=()
if ! cmp -s fuzz/coverage_ignore.txt "$ignore_list_built"; then clean_first=(--clean-first); fi
cmake --build "$build" "${clean_first[@]}" --target "${targets[@]/#/fuzz_}"
cp fuzz/coverage_ignore.txt "$ignore_list_built"

options_of() {
  local target=$1 findings=$2
  echo "-rss_limit_mb=2048 -timeout=10 -artifact_prefix=$findings/ -print_final_stats=1"
  if [ -f "fuzz/$target.dict" ]; then echo "-dict=fuzz/$target.dict"; fi
}

run_target() {
  local target=$1
  local program=$build/fuzz_$target
  local work=$build/fuzz-work/$target
  local findings=$build/findings/$target
  rm -rf "$work" "$findings"
  mkdir -p "$work/corpus" "$findings"
  local seeds=fuzz/corpus/$target regressions=fuzz/regressions/$target
  local options
  read -r -a options <<<"$(options_of "$target" "$findings" | tr '\n' ' ')"

  # Past findings and seeds: each input must pass on its own. Timed: the
  # fuzzing run below starts with the same replay.
  local replay_started replay_ended
  replay_started=$(date +%s.%N)
  if ! "$program" "${options[@]}" -runs=0 "$seeds" "$regressions" >"$work/replay.log" 2>&1; then
    echo "fuzz: $target fails on a seed or regression input; see $work/replay.log" >&2
    tail -n 30 "$work/replay.log" >&2
    return 1
  fi
  replay_ended=$(date +%s.%N)

  local started ended
  started=$(date +%s.%N)
  if ! "$program" "${options[@]}" -max_total_time="$seconds" "$work/corpus" "$seeds" "$regressions" \
      >"$work/fuzz.log" 2>&1; then
    echo "fuzz: $target FOUND A FAULT; input in $findings/, log in $work/fuzz.log" >&2
    grep -E -A 30 "ERROR|fuzz check failed|runtime error" "$work/fuzz.log" | head -n 60 >&2 || tail -n 40 "$work/fuzz.log" >&2
    return 1
  fi
  ended=$(date +%s.%N)
  local runs corpus rate replayed fresh
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log")
  # The executions include the corpus loaded at the start; the rate counts
  # the whole run's wall time. The rate of new inputs leaves out that replay
  # (its inputs and the time the timed replay above took).
  rate=$(awk -v r="$runs" -v a="$started" -v b="$ended" 'BEGIN { printf "%.0f", r / (b - a) }')
  replayed=$(sed -n 's/^#\([0-9]*\)[[:space:]]*INITED.*/\1/p' "$work/fuzz.log")
  fresh=$(awk -v r="$runs" -v n="${replayed:-0}" -v a="$started" -v b="$ended" -v c="$replay_started" \
    -v d="$replay_ended" 'BEGIN { t = (b - a) - (d - c); printf "%.0f", (t > 0 ? (r - n) / t : 0) }')
  corpus=$(find "$work/corpus" "$seeds" "$regressions" -type f ! -name '.*' | wc -l)
  echo "fuzz: $target clean: $runs executions in $seconds s, $rate inputs per second" \
    "($fresh per second after the replay of its $replayed corpus inputs), corpus $corpus inputs"

  if [ -n "$campaign_minutes" ]; then
    # The corpus reduced to the inputs that keep its coverage, written back.
    local minimised=$work/minimised
    rm -rf "$minimised"
    mkdir -p "$minimised"
    local before after
    before=$(find "$seeds" -type f ! -name '.*' | wc -l)
    if ! "$program" "${options[@]}" -merge=1 "$minimised" "$seeds" "$work/corpus" >"$work/merge.log" 2>&1; then
      echo "fuzz: $target: minimising the corpus failed; see $work/merge.log" >&2
      return 1
    fi
    find "$seeds" -type f ! -name '.*' -delete
    cp "$minimised"/* "$seeds"/
    after=$(find "$seeds" -type f ! -name '.*' | wc -l)
    echo "fuzz: $target corpus minimised: $before seeds before, $after after"
  fi
}

status=0
if [ -n "$campaign_minutes" ]; then
  # One target at a time, each with a core of its own to spare.
  for target in "${targets[@]}"; do
    run_target "$target" || status=1
  done
else
  # Two at a time (one per core), so the stage takes about
  # seconds x ceil(targets / 2).
  pids=()
  for target in "${targets[@]}"; do
    run_target "$target" &
    pids+=($!)
    if [ ${#pids[@]} -eq 2 ]; then
      wait "${pids[0]}" || status=1
      wait "${pids[1]}" || status=1
      pids=()
    fi
  done
  for pid in "${pids[@]}"; do
    wait "$pid" || status=1
  done
fi
exit $status
