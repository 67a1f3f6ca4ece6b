#!/bin/sh
# Runs every libFuzzer target of a DRAVO_FUZZ build for a long, fixed time and
# prints one line of figures per target: executions, coverage (edges), features,
# corpus entries and bytes, crashes. The corpus each run grows is kept in
# BUILD/fuzz/long/TARGET (the seeds in fuzz/corpus are only read); a crash
# leaves its input in BUILD/fuzz/long/TARGET-crash-*.
#
#   fuzz/run-long.sh [BUILD_DIR [SECONDS [JOBS]]]    # defaults: build-asan 600 2
set -eu
build=${1:-build-asan}
seconds=${2:-600}
jobs=${3:-2}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out="$build/fuzz/long"
mkdir -p "$out"

run_one() {
  target=$1
  mkdir -p "$out/$target"
  ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$out/$target-crash-" \
    "$out/$target" "$source_dir/fuzz/corpus/$target" > "$out/$target.log" 2>&1 || true
}

summary() {
  target=$1
  log="$out/$target.log"
  done_line=$(grep -E '^#[0-9]+ +DONE' "$log" | tail -1)
  [ -n "$done_line" ] || done_line=$(grep -E '^#[0-9]+' "$log" | tail -1)
  execs=$(grep 'stat::number_of_executed_units' "$log" | awk '{print $2}')
  cov=$(echo "$done_line" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
  ft=$(echo "$done_line" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  corpus=$(echo "$done_line" | sed -n 's/.* corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p')
  crashes=$(ls "$out/$target"-crash-* 2>/dev/null | wc -l)
  printf '%-22s %12s %8s %8s %14s %8s\n' "$target" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corpus:-?}" "$crashes"
}

targets=$(ls "$source_dir"/fuzz/*.cmake | xargs -n1 basename | sed 's/\.cmake$//')
set -- $targets
while [ $# -gt 0 ]; do
  batch=""
  i=0
  while [ $# -gt 0 ] && [ "$i" -lt "$jobs" ]; do
    batch="$batch $1"
    shift
    i=$((i + 1))
  done
  for target in $batch; do
    run_one "$target" &
  done
  wait
done

printf '%-22s %12s %8s %8s %14s %8s\n' target executions cov ft corpus crashes
for target in $targets; do
  summary "$target"
done
