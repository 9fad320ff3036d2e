#!/usr/bin/env bash
# Runs every fuzz target of build/fuzz for FUZZ_SECONDS each (default 300),
# one at a time, then merges what it found into the target's corpus in git
# (fuzz/corpus/NAME, kept minimal with -merge=1). Crash inputs land in
# fuzz/crashes/NAME; the summary line of each run (execs, exec/s, cov, ft,
# corpus) goes to build/fuzz/report.txt.
#
#   tools/build/fuzz.sh [NAME...]        all targets, or only the ones named
#   FUZZ_RUNS=N tools/build/fuzz.sh      stop each after N executions instead
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${FUZZ_SECONDS:-300}
build=build/fuzz
report=$build/report.txt
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    names=($(ls $build/fuzz-targets))
fi
for name in "${names[@]}"; do
    read -r program corpus seeds < "$build/fuzz-targets/$name"
    work=$build/work/$name
    crashes=fuzz/crashes/$name
    mkdir -p "$work" "$crashes"
    dict=()
    if [ "$name" = picture ]; then dict=(-dict=fuzz/jpeg.dict); fi
    limit=(-max_total_time="$seconds")
    if [ -n "${FUZZ_RUNS:-}" ]; then limit=(-runs="$FUZZ_RUNS"); fi
    echo "fuzz: $name for ${FUZZ_RUNS:-$seconds s}${FUZZ_RUNS:+ runs}"
    before=$(ls "$crashes" | wc -l)
    status=0
    # A crash ends the run; its input is saved under $crashes.
    "$program" "$work" "$corpus" $seeds "${dict[@]}" "${limit[@]}" -timeout=10 -rss_limit_mb=2560 \
        -malloc_limit_mb=1100 -max_len=4096 -artifact_prefix="$crashes/" -print_final_stats=1 \
        >"$build/$name.log" 2>&1 || status=$?
    line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$build/$name.log" | tail -1 || true)
    runs=$(grep -E '^stat::number_of_executed_units' "$build/$name.log" | awk '{print $2}' || true)
    speed=$(grep -E '^stat::average_exec_per_sec' "$build/$name.log" | awk '{print $2}' || true)
    # Keep only inputs that add coverage to what git already has.
    "$program" -merge=1 "$corpus" "$work" >>"$build/$name.log" 2>&1 || true
    size=$(ls "$corpus" | wc -l)
    summary="$name: execs ${runs:-?} exec/s ${speed:-?} corpus $size files; last: $line; exit $status"
    echo "$summary" | tee -a "$report"
    if [ "$(ls "$crashes" | wc -l)" -gt "$before" ]; then
        echo "fuzz: $name found a crash; see $build/$name.log and $crashes" >&2
    fi
done
