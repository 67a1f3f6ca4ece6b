#!/bin/sh
# The settings command line against the raw write: 'dravo-spark-config set'
# of one value beside 'dravo-reg add' of the same value, then 'apply' of a
# file of 50 settings beside 50 'dravo-reg add' calls writing the same 50
# values, in one run, each in a configuration file of its own in a temporary
# directory. 'set' checks the value by the dialogs' rules and saves as the
# dialog's OK does (the whole settings model, one replace of the file);
# 'dravo-reg add' checks nothing and replaces the file once per call. Prints
# the median wall time of each in milliseconds and the ratios.
#
#   bench/command_line_bench.sh [BUILD_DIR [RUNS]]    # defaults: build 20
set -eu
build=$(cd "${1:-build}" && pwd)
runs=${2:-20}
tool="$build/bin/dravo-spark-config"
reg="$build/bin/dravo-reg"
key='HKLM\SOFTWARE\Dravo\Dravo Spark ODBC Driver\Driver'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" DRAVO_REGISTRY_ROOT="$work/registry"
mkdir -p "$work/registry"

# Fifty settings the dialog would save together: the advanced options,
# server-side properties and the logging options.
settings="$work/fifty.ini"
{
  echo "[Driver]"
  echo "SparkServerType=3"
  echo "AuthMech=0"
  echo "ThriftTransport=0"
  echo "UseNativeQuery=1"
  echo "FastSQLPrepare=1"
  echo "RowsFetchedPerBlock=20000"
  echo "DecimalColumnScale=12"
  echo "SocketTimeout=60"
  i=0
  while [ "$i" -lt 42 ]; do
    echo "SSP_bench.property.$i=$i"
    i=$((i + 1))
  done
} > "$settings"
[ "$(grep -c = "$settings")" -eq 50 ]

# The median wall time of RUNS runs of a command, in milliseconds with two
# decimals: the median, so that a moment when the machine is busy with
# something else does not decide the figure.
median_ms() {
  : > "$work/times"
  i=0
  while [ "$i" -lt "$runs" ]; do
    start=$(date +%s%N)
    "$@" > /dev/null
    end=$(date +%s%N)
    echo $(( (end - start) / 10000 )) >> "$work/times"
    i=$((i + 1))
  done
  sort -n "$work/times" | awk '{ t[NR] = $1 } END { m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2;
    printf "%.2f", m / 100 }'
}

export SPARKINI="$work/set.ini"
"$tool" apply "$settings" > /dev/null
toggle=0
set_one() {
  toggle=$((1 - toggle))
  "$tool" set "UseNativeQuery=$toggle"
}
add_one() {
  toggle=$((1 - toggle))
  "$reg" add "$key" /v UseNativeQuery /d "$toggle" /f
}
set_ms=$(median_ms set_one)
export SPARKINI="$work/reg.ini"
cp "$work/set.ini" "$SPARKINI"
add_ms=$(median_ms add_one)

# Fifty values: one apply against fifty raw writes, both changing all fifty.
export SPARKINI="$work/apply.ini"
round=0
apply_fifty() {
  round=$((round + 1))
  sed "s/=\([0-9][0-9]*\)\$/=\1$round/; s/^SparkServerType=.*/SparkServerType=3/; s/^AuthMech=.*/AuthMech=0/;
       s/^ThriftTransport=.*/ThriftTransport=0/; s/^UseNativeQuery=.*/UseNativeQuery=$((round % 2))/;
       s/^FastSQLPrepare=.*/FastSQLPrepare=$(((round + 1) % 2))/; s/^DecimalColumnScale=.*/DecimalColumnScale=$((round % 38))/" \
    "$settings" > "$work/round.ini"
  "$tool" apply "$work/round.ini"
}
add_fifty() {
  round=$((round + 1))
  grep = "$settings" | while IFS='=' read -r name value; do
    "$reg" add "$key" /v "$name" /d "$value$round" /f > /dev/null
  done
}
apply_ms=$(median_ms apply_fifty)
export SPARKINI="$work/reg50.ini"
add50_ms=$(median_ms add_fifty)

echo "median of $runs runs, ms  set / apply    dravo-reg add    ratio"
printf 'one value            %12s %16s %8s\n' "$set_ms" "$add_ms" \
  "$(echo "$set_ms $add_ms" | awk '{ printf "%.2fx", $1 / $2 }')"
printf 'fifty values         %12s %16s %8s\n' "$apply_ms" "$add50_ms" \
  "$(echo "$apply_ms $add50_ms" | awk '{ printf "%.1fx faster", $2 / $1 }')"
