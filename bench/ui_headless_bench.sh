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

. "$(dirname "$0")/timing.sh"

"$program" --floor
"$program" "$script"
floor_ms=$(mean_ms --floor)
run_ms=$(mean_ms "$script")
floor_kib=$(peak_kib --floor)
run_kib=$(peak_kib "$script")
printf '%-34s %10s %10s\n' "" "ms/run" "peak KiB"
printf '%-34s %10s %10s\n' "floor (load the libraries, exit)" "$floor_ms" "$floor_kib"
printf '%-34s %10s %10s\n' "template 1092, script \"click 2\"" "$run_ms" "$run_kib"
