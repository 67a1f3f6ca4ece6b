#!/bin/sh
# Whole-process time and peak memory of ui_headless_bench running template
# 1092 headless with the one-line script "click 2", beside the same binary
# that only loads its libraries and exits (--floor).
#
#   bench/ui_headless_bench.sh [BUILD_DIR [RUNS]]    # defaults: build 200
set -eu
build=${1:-build}
runs=${2:-200}
program="$build/bench/ui_headless_bench"
script=$(mktemp)
trap 'rm -f "$script"' EXIT
printf 'click 2\n' > "$script"

# Mean wall time over the runs, in milliseconds with two decimals.
mean_ms() {
  start=$(date +%s%N)
  i=0
  while [ "$i" -lt "$runs" ]; do
    "$program" "$@" > /dev/null || [ $? -le 1 ]
    i=$((i + 1))
  done
  end=$(date +%s%N)
  echo $(( (end - start) / runs / 10000 )) | sed 's/\(..\)$/.\1/; s/^\./0./'
}

# Peak resident set size of one run, in KiB.
peak_kib() {
  /usr/bin/time -f %M "$program" "$@" 2>&1 > /dev/null | tail -1
}

"$program" --floor
"$program" "$script"
floor_ms=$(mean_ms --floor)
run_ms=$(mean_ms "$script")
floor_kib=$(peak_kib --floor)
run_kib=$(peak_kib "$script")
printf '%-34s %10s %10s\n' "" "ms/run" "peak KiB"
printf '%-34s %10s %10s\n' "floor (load the libraries, exit)" "$floor_ms" "$floor_kib"
printf '%-34s %10s %10s\n' "template 1092, script \"click 2\"" "$run_ms" "$run_kib"
