#!/bin/sh
# Whole-process time and peak memory of dravo-spark-config on a typical
# driver configuration file in a private registry root: "--version" (the
# floor: load the libraries, parse the options, exit), the dialog opened
# headless and cancelled (start-up, product identity, settings load, dialog,
# teardown), and the same with OK (the save, made durable with fsync, on top).
#
#   bench/tool_startup_bench.sh [BUILD_DIR [RUNS]]    # defaults: build 200
set -eu
build=${1:-build}
runs=${2:-200}
program="$build/bin/dravo-spark-config"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[Driver]\nSparkServerType=3\nAuthMech=3\nUID=operator\nThriftTransport=1\n' > "$work/vezuravuz.ini"
printf 'click 2\n' > "$work/cancel"
printf 'click 1\n' > "$work/ok"
export HOME="$work" DRAVO_REGISTRY_ROOT="$work"
unset SPARKINI

. "$(dirname "$0")/timing.sh"

"$program" --script "$work/cancel" || [ $? -eq 0 ]
printf '%-40s %10s %10s\n' "" "ms/run" "peak KiB"
printf '%-40s %10s %10s\n' "--version (load the libraries, exit)" "$(mean_ms --version)" "$(peak_kib --version)"
printf '%-40s %10s %10s\n' "--script, dialog 1092, Cancel" "$(mean_ms --script "$work/cancel")" \
  "$(peak_kib --script "$work/cancel")"
printf '%-40s %10s %10s\n' "--script, dialog 1092, OK (save)" "$(mean_ms --script "$work/ok")" \
  "$(peak_kib --script "$work/ok")"
