#!/bin/sh
# The server-side property list's round trip through the whole program, on a
# driver configuration file with N properties in a private registry root:
# open Advanced Options and the property list, OK in both, OK in the main
# dialog (the save), beside the main dialog's OK alone. Mean wall time over
# the runs, and the processor time (user and system) of one run, which a
# machine shared with other work disturbs less; for N = 1,000, 10,000 and
# 20,000. Needs the Debian package "time".
#
#   bench/property_list_bench.sh [BUILD_DIR [RUNS]]    # defaults: build 5
set -eu
build=${1:-build}
runs=${2:-5}
program="$build/bin/dravo-spark-config"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'click 1\n' > "$work/ok"
printf 'click 1029\nclick 1078\nexpect dialog 132\nclick 1\nclick 1\nclick 1\n' > "$work/list"
export HOME="$work" DRAVO_REGISTRY_ROOT="$work"
unset SPARKINI

. "$(dirname "$0")/timing.sh"

# Processor time of one run in milliseconds.
cpu_ms() {
  /usr/bin/time -f '%U %S' "$program" "$@" 2>&1 > /dev/null | tail -1 | awk '{ printf "%.0f", ($1 + $2) * 1000 }'
}

printf '%12s %14s %14s %7s %14s %14s %7s\n' "properties" "OK alone" "list + OK" "ratio" "OK alone" "list + OK" \
  "ratio"
printf '%12s %14s %14s %7s %14s %14s %7s\n' "" "wall ms" "wall ms" "" "CPU ms" "CPU ms" ""
for n in 1000 10000 20000; do
  awk -v n="$n" 'BEGIN {
    print "[Driver]"; print "SparkServerType=3"; print "AuthMech=3"; print "UID=operator"; print "ThriftTransport=1"
    for (i = 0; i < n; i++) printf "SSP_property%d=value %d\n", i, i
  }' > "$work/vezuravuz.ini"
  # The first OK fills in the settings the file lacks; the timed ones then
  # save the same settings.
  "$program" --script "$work/ok" > /dev/null || [ $? -le 1 ]
  alone=$(mean_ms --script "$work/ok")
  list=$(mean_ms --script "$work/list")
  ratio=$(echo "$list $alone" | awk '{ printf "%.2f", $1 / $2 }')
  aloneCpu=$(cpu_ms --script "$work/ok")
  listCpu=$(cpu_ms --script "$work/list")
  cpuRatio=$(echo "$listCpu $aloneCpu" | awk '{ printf "%.2f", ($2 > 0 ? $1 / $2 : 0) }')
  printf '%12s %14s %14s %7s %14s %14s %7s\n' "$n" "$alone" "$list" "$ratio" "$aloneCpu" "$listCpu" "$cpuRatio"
done
