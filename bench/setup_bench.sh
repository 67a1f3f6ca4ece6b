#!/bin/sh
# The setup library's silent adds against unixODBC's own tool: COUNT data
# sources added one by one through SQLConfigDataSource (bench/setup_adds,
# which loads libdravosparksetup.so through the installer), beside
# "odbcinst -i -s" adding the same COUNT data sources, with the same keys and
# values, from a template file. Both start from an empty odbc.ini of their
# own in a temporary directory; the two files must come out byte for byte the
# same. Prints the wall and processor times of each.
#
#   bench/setup_bench.sh [BUILD_DIR [COUNT]]    # defaults: build 1000
#
# unixODBC rewrites the whole odbc.ini for every entry it writes, so both
# grow with the square of COUNT: 1,000 takes tens of minutes each.
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
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" > /dev/null
  read -r wall user system < "$work/time"
  printf '%-36s %9s %9s %9s %12s\n' "$label" "$wall" "$user" "$system" \
    "$(echo "$wall $count" | awk '{ printf "%.1f", 1000 * $1 / $2 }')"
}

echo "$count data sources of $entries entries each"
printf '%-36s %9s %9s %9s %12s\n' "" "wall s" "user s" "sys s" "ms/source"
export ODBCINI="$work/odbcinst.ini.out"
: > "$ODBCINI"
label="odbcinst -i -s -h -f TEMPLATE"
measure odbcinst -i -s -h -f "$work/template.ini"
export ODBCINI="$work/library.ini.out"
: > "$ODBCINI"
label="SQLConfigDataSource x $count"
measure "$build/bench/setup_adds" "$driver" "$count" "$@"
if cmp -s "$work/odbcinst.ini.out" "$work/library.ini.out"; then
  echo "the two odbc.ini files are the same, byte for byte"
else
  echo "the two odbc.ini files differ:" >&2
  diff "$work/odbcinst.ini.out" "$work/library.ini.out" | head -20 >&2
  exit 1
fi
