#!/bin/sh
# The setup library's data-source saves against unixODBC's own tool, in one run:
#
# 1. COUNT data sources added one by one through SQLConfigDataSource
#    (bench/setup_adds, which loads libdravosparksetup.so through the
#    installer), beside "odbcinst -i -s" adding the same COUNT data sources,
#    with the same keys and values, from a template file. Both start from an
#    empty odbc.ini of their own; the two files must come out byte for byte
#    the same.
# 2. One data source changed in an odbc.ini of COUNT: through the library,
#    through "odbcinst -i -s" (which writes the section anew), and the floor
#    a durable save of the whole file stands on (bench/durable_replace:
#    written beside, flushed, renamed, the folder flushed).
#
#   bench/setup_bench.sh [BUILD_DIR [COUNT]]    # defaults: build 1000
#
# unixODBC rewrites the whole odbc.ini for every entry it writes, so its time
# grows with the square of COUNT; the library writes each save as one replace.
set -eu
build=$(cd "${1:-build}" && pwd)
count=${2:-1000}
driver="Dravo Spark ODBC Driver"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ODBCSYSINI="$work" HOME="$work" DRAVO_REGISTRY_ROOT="$work/registry"
printf '[%s]\nDriver=%s\nSetup=%s\n' "$driver" "$work/no-driver.so" "$build/lib/libdravosparksetup.so" \
  > "$work/odbcinst.ini"
: > "$work/odbc.ini"

# What an administrator's script would give for each data source.
set -- "DESCRIPTION=Sales cluster" "Host=spark.example.com" "Port=10001" "Schema=sales" "SparkServerType=3" \
  "AuthMech=3" "UID=analyst" "PWD=s3cret" "ThriftTransport=1" "SSL=0"

# The template: the section the library writes for one data source, under
# each of the names.
export ODBCINI="$work/one.ini"
: > "$ODBCINI"
"$build/bench/setup_adds" "$driver" 1 "$@" > /dev/null
body=$(sed -n '/^\[Bench0000\]$/,/^$/{/^\[/d;/^$/d;p}' "$ODBCINI")
i=0
while [ "$i" -lt "$count" ]; do
  printf '[Bench%04d]\n%s\n\n' "$i" "$body"
  i=$((i + 1))
done > "$work/template.ini"
entries=$(printf '%s\n' "$body" | wc -l)

measure() {
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" > "$work/out"
  read -r wall user system < "$work/time"
  printf '%-40s %9s %9s %9s %12s\n' "$label" "$wall" "$user" "$system" \
    "$(echo "$wall $count" | awk '{ printf "%.1f", 1000 * $1 / $2 }')"
}

echo "$count data sources of $entries entries each, added one by one"
printf '%-40s %9s %9s %9s %12s\n' "" "wall s" "user s" "sys s" "ms/source"
export ODBCINI="$work/odbcinst.ini.out"
: > "$ODBCINI"
label="odbcinst -i -s -h -f TEMPLATE"
measure odbcinst -i -s -h -f "$work/template.ini"
odbcinst_wall=$wall
export ODBCINI="$work/library.ini.out"
: > "$ODBCINI"
label="SQLConfigDataSource x $count"
measure "$build/bench/setup_adds" "$driver" "$count" "$@"
echo "odbcinst / library: $(echo "$odbcinst_wall $wall" | awk '{ printf "%.1f", $1 / $2 }')x"
if cmp -s "$work/odbcinst.ini.out" "$work/library.ini.out"; then
  echo "the two odbc.ini files are the same, byte for byte"
else
  echo "the two odbc.ini files differ:" >&2
  diff "$work/odbcinst.ini.out" "$work/library.ini.out" | head -20 >&2
  exit 1
fi

middle=$(printf 'Bench%04d' $((count / 2)))
echo
echo "one data source ($middle) changed in an odbc.ini of $count, median of 5"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '[%s]\n%s\n' "$middle" "$(printf '%s\n' "$body" | sed 's/^DESCRIPTION=.*/DESCRIPTION=changed/')" \
  > "$work/change.ini"
export ODBCINI="$work/odbcinst.ini.out"
for round in 1 2 3 4 5; do
  start=$(date +%s.%N)
  odbcinst -i -s -h -f "$work/change.ini" > /dev/null
  echo "$start $(date +%s.%N)" | awk '{ printf "%.2f\n", 1000 * ($2 - $1) }'
done | median > "$work/odbcinst.ms"
export ODBCINI="$work/library.ini.out"
for round in 1 2 3 4 5; do
  "$build/bench/setup_adds" "$driver" change "$middle" "DESCRIPTION=changed $round" | awk '{ print $3 }'
done | median > "$work/library.ms"
"$build/bench/durable_replace" "$work/library.ini.out" 5 | awk '{ print $3 }' > "$work/replace.ms"
printf '%-40s %9s ms\n' "odbcinst -i -s (the section anew)" "$(cat "$work/odbcinst.ms")"
printf '%-40s %9s ms\n' "SQLConfigDataSource (ODBC_CONFIG_DSN)" "$(cat "$work/library.ms")"
printf '%-40s %9s ms\n' "durable replace of the file" "$(cat "$work/replace.ms")"
echo "library / durable replace: $(echo "$(cat "$work/library.ms") $(cat "$work/replace.ms")" | awk '{ printf "%.2f", $1 / $2 }')x"
