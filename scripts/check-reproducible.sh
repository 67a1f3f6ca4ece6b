#!/bin/sh
# Builds the deb and the rpm of one commit (HEAD unless one is named) twice,
# from two copies of its files in folders of different names and depths,
# with different umasks (while building) and time zones, and compares the
# packages byte for byte; where they differ, diffoscope says how. Not part
# of the test command: it builds what the packages hold twice from nothing
# (ccache is not used).
#
#   scripts/check-reproducible.sh [COMMIT]
#
# The work is left in DRAVO_REPRODUCIBLE_WORK (a new folder in /tmp unless
# given). Exit status 0 when the packages are the same, 1 when they differ.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/install-deps.sh --reproducible

commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH CCACHE_DISABLE=1
work=${DRAVO_REPRODUCIBLE_WORK:-$(mktemp -d /tmp/dravo-reproducible.XXXXXX)}
echo "Building $commit twice in $work (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"

build() {
  # $1 folder, $2 umask, $3 time zone
  source=$work/$1
  rm -rf "$source"
  mkdir -p "$source"
  git archive "$commit" | tar -x -C "$source"
  (
    umask "$2"
    export TZ="$3"
    cmake -S "$source" -B "$source/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DDRAVO_BUILD_TESTS=OFF -DDRAVO_BUILD_BENCH=OFF >"$work/$(basename "$1").configure.log"
    # What the packages hold: the programs, the setup library, the manual pages.
    nice cmake --build "$source/build" --target dravo-spark-config dravo-reg dravo-did dravosparksetup \
      man_dravo-spark-config_1 man_dravo-reg_1 man_dravo-did_1 >"$work/$(basename "$1").build.log"
    # cpack gives the members of a deb the modes its umask leaves them;
    # packages are made with 022, as dpkg-buildpackage makes them.
    umask 022
    cd "$source/build" && cpack -G "DEB;RPM" >"$work/$(basename "$1").cpack.log" 2>&1
  )
}

build first 022 UTC
build second/with/a/longer/path 002 America/New_York

status=0
for first in "$work"/first/build/*.deb "$work"/first/build/*.rpm; do
  name=$(basename "$first")
  second=$work/second/with/a/longer/path/build/$name
  if [ ! -f "$second" ]; then
    echo "$name: made by the first build only"
    status=1
  elif cmp -s "$first" "$second"; then
    echo "$name: identical ($(sha256sum <"$first" | cut -c1-16)...)"
  else
    echo "$name: DIFFERS"
    diffoscope --text "$work/$name.diffoscope.txt" "$first" "$second" || true
    head -n 200 "$work/$name.diffoscope.txt"
    status=1
  fi
done
exit $status
