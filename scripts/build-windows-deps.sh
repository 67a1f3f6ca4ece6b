#!/bin/sh
# Builds ICU, OpenSSL's libcrypto, Expat and GoogleTest as static libraries for
# the Windows cross build, from Debian's own source packages of the versions the
# Linux build uses. The result is cached outside the build tree, one folder per
# set of versions, and a second run returns at once.
#
#   scripts/build-windows-deps.sh            build if needed, print the prefix
#   scripts/build-windows-deps.sh --prefix   print the prefix only (no build)
#
# DRAVO_WINDOWS_DEPS_CACHE overrides the cache folder (~/.cache/dravo-windows-deps).
# The heavy steps run under `nice -n 19`: build machines are shared.
set -eu
cd "$(dirname "$0")/.."
SOURCE_DIR=$(pwd)

HOST=x86_64-w64-mingw32
CACHE=${DRAVO_WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dravo-windows-deps}
JOBS=${DRAVO_WINDOWS_DEPS_JOBS:-2}
NICE="nice -n 19"

source_version() {
  dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null || true
}

ICU_VERSION=$(source_version libicu-dev)
OPENSSL_VERSION=$(source_version libssl-dev)
EXPAT_VERSION=$(source_version libexpat1-dev)
GTEST_VERSION=$(source_version googletest)
if [ -z "$ICU_VERSION" ] || [ -z "$OPENSSL_VERSION" ] || [ -z "$EXPAT_VERSION" ] || [ -z "$GTEST_VERSION" ]; then
  echo "build-windows-deps: run scripts/install-deps.sh and scripts/install-deps.sh --windows first" >&2
  exit 1
fi
# The data list is part of what is built: a changed list rebuilds ICU.
DATA_KEEP="$SOURCE_DIR/cmake/icu-data-keep.txt"
DATA_SUM=$(sha256sum "$DATA_KEEP" | cut -c1-16)
KEY="icu-$ICU_VERSION-openssl-$OPENSSL_VERSION-expat-$EXPAT_VERSION-gtest-$GTEST_VERSION"
KEY=$(printf '%s' "$KEY" | tr '~+:' '___')
ROOT="$CACHE/$KEY"
PREFIX="$ROOT/prefix"

if [ "${1:-}" = "--prefix" ]; then
  echo "$PREFIX"
  exit 0
fi
if [ -f "$ROOT/complete" ] && [ "$(cat "$ROOT/complete")" = "$DATA_SUM" ]; then
  ln -sfn "$KEY" "$CACHE/current"
  echo "$PREFIX"
  exit 0
fi

mkdir -p "$ROOT/src" "$PREFIX/lib" "$PREFIX/include"
SRC="$ROOT/src"
LOG="$ROOT/build.log"
echo "build-windows-deps: building into $ROOT (log: $LOG)" >&2
exec 3>&2 4>&1 >"$LOG" 2>&1

step() { echo "build-windows-deps: $*" >&3; echo "=== $*"; }
fail() { echo "build-windows-deps: failed, see $LOG" >&3; tail -30 "$LOG" >&3; exit 1; }
trap 'fail' EXIT

# Debian's sources of the same archive and suites as the machine's own binary
# packages, through a private apt state so that the system's lists stay as they are.
fetch_sources() {
  apt_dir="$ROOT/apt"
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  found=""
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/sources.list.d/$(basename "$file")"
    found=1
  done
  if [ -z "$found" ] && [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list.d/debian-src.list"
  fi
  set -- -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d" \
         -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root"
  apt-get "$@" update -q
  cd "$SRC"
  for spec in "icu=$ICU_VERSION" "openssl=$OPENSSL_VERSION" "expat=$EXPAT_VERSION"; do
    name=${spec%%=*}
    if ls -d "$SRC/$name"-*/ >/dev/null 2>&1; then continue; fi
    # The archive may have moved on from the installed revision, and a mirror
    # may lack one of the files of a version: take the newest that arrives whole.
    if ! apt-get "$@" source -q "$spec"; then
      fetched=""
      for version in $(apt-cache "$@" showsrc "$name" | sed -n 's/^Version: //p' | sort -Vru); do
        rm -f "$SRC/${name}_"*
        if apt-get "$@" source -q "$name=$version"; then fetched=1; break; fi
      done
      [ -n "$fetched" ] || { echo "no source of $name could be fetched"; exit 1; }
    fi
  done
  cd "$SOURCE_DIR"
}

build_icu() {
  if [ -f "$PREFIX/lib/libicuuc.a" ] && [ "$(cat "$ROOT/icu-data.sum" 2>/dev/null)" = "$DATA_SUM" ]; then
    return 0
  fi
  icu_source=$(ls -d "$SRC"/icu-*/ | head -1)
  common="--enable-static --disable-shared --disable-tests --disable-samples --disable-extras
          --disable-icuio --disable-layoutex --with-data-packaging=static"
  step "ICU: native tools"
  mkdir -p "$ROOT/icu-native" && cd "$ROOT/icu-native"
  # shellcheck disable=SC2086
  [ -f Makefile ] || $NICE "$icu_source/source/configure" $common
  $NICE make -j"$JOBS"

  # A copy of the source whose prebuilt data holds only the items the product
  # uses (the list in cmake/icu-data-keep.txt).
  step "ICU: data items"
  [ -d "$ROOT/icu-small" ] || cp -a "$icu_source" "$ROOT/icu-small"
  full=$(ls "$icu_source/source/data/in/"icudt*l.dat)
  data="$ROOT/icu-small/source/data/in/$(basename "$full")"
  icupkg="$ROOT/icu-native/bin/icupkg"
  keep=$(grep -v -e '^#' -e '^$' "$DATA_KEEP" | paste -sd'|')
  LD_LIBRARY_PATH="$ROOT/icu-native/lib" "$icupkg" -l "$full" | tr -d '\r' | sort >"$ROOT/icu-items.txt"
  grep -Ev "^($keep)\$" "$ROOT/icu-items.txt" >"$ROOT/icu-remove.txt" || true
  grep -Ex "($keep)" "$ROOT/icu-items.txt" >"$ROOT/icu-keep.txt" || true
  echo "keeping $(wc -l <"$ROOT/icu-keep.txt") of $(wc -l <"$ROOT/icu-items.txt") items"
  # icupkg names the items after the package file: keep ICU's own name.
  small="$ROOT/icu-data-small/$(basename "$data")"
  rm -rf "$ROOT/icu-data-small" && mkdir -p "$ROOT/icu-data-small"
  LD_LIBRARY_PATH="$ROOT/icu-native/lib" "$icupkg" -r "$ROOT/icu-remove.txt" "$full" "$small"
  mv "$small" "$data"

  step "ICU: $HOST"
  # A new data file is packaged again; the libraries stay as they are.
  mkdir -p "$ROOT/icu-$HOST" && cd "$ROOT/icu-$HOST"
  # shellcheck disable=SC2086
  [ -f Makefile ] || $NICE "$ROOT/icu-small/source/configure" --host="$HOST" \
      --with-cross-build="$ROOT/icu-native" --prefix="$PREFIX" $common --disable-tools \
      CC="$HOST-gcc-posix" CXX="$HOST-g++-posix" AR="$HOST-ar" RANLIB="$HOST-ranlib" \
      CFLAGS="-O2" CXXFLAGS="-O2" CPPFLAGS="-DU_STATIC_IMPLEMENTATION"
  $NICE make -j"$JOBS"
  mkdir -p "$PREFIX/bin"
  $NICE make install
  # CMake's FindICU looks for the static libraries under their shared names
  # except with MSVC; the data library is built as sicudt.a.
  cp -f "$PREFIX/lib/libsicuuc.a" "$PREFIX/lib/libicuuc.a"
  cp -f "$PREFIX/lib/libsicuin.a" "$PREFIX/lib/libicuin.a"
  cp -f "$ROOT/icu-$HOST/lib/sicudt.a" "$PREFIX/lib/libicudt.a"
  echo "$DATA_SUM" >"$ROOT/icu-data.sum"
  cd "$SOURCE_DIR"
}

build_openssl() {
  [ -f "$PREFIX/lib/libcrypto.a" ] && return 0
  openssl=$(ls -d "$SRC"/openssl-*/ | head -1)
  step "OpenSSL libcrypto: $HOST"
  rm -rf "$ROOT/openssl-$HOST"
  cp -a "$openssl" "$ROOT/openssl-$HOST"
  cd "$ROOT/openssl-$HOST"
  $NICE ./Configure mingw64 no-shared no-tests no-engine no-module no-legacy \
      --cross-compile-prefix="$HOST-" --prefix="$PREFIX" --libdir=lib \
      CC=gcc-posix CXX=g++-posix
  $NICE make -j"$JOBS" build_generated
  $NICE make -j"$JOBS" libcrypto.a
  cp libcrypto.a "$PREFIX/lib/"
  mkdir -p "$PREFIX/include/openssl"
  cp include/openssl/*.h "$PREFIX/include/openssl/"
  cd "$SOURCE_DIR"
}

build_expat() {
  [ -f "$PREFIX/lib/libexpat.a" ] && return 0
  expat=$(ls -d "$SRC"/expat-*/ | head -1)
  [ -f "$expat/CMakeLists.txt" ] || expat="$expat/expat"
  step "Expat: $HOST"
  build="$ROOT/expat-$HOST"
  $NICE cmake -S "$expat" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$SOURCE_DIR/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
      -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF \
      -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF
  # Debian builds Expat with its configure script, which defines the feature
  # macros as 1, and its security patches test them so; CMake's header
  # defines them empty.
  sed -i -e 's/^#define XML_DTD$/#define XML_DTD 1/' -e 's/^#define XML_NS$/#define XML_NS 1/' \
      "$build/expat_config.h"
  $NICE cmake --build "$build" -j "$JOBS"
  cmake --install "$build"
}

build_googletest() {
  [ -f "$PREFIX/lib/libgtest.a" ] && return 0
  step "GoogleTest: $HOST"
  $NICE cmake -S /usr/src/googletest -B "$ROOT/googletest-$HOST" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$SOURCE_DIR/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_GMOCK=ON
  $NICE cmake --build "$ROOT/googletest-$HOST" -j "$JOBS"
  cmake --install "$ROOT/googletest-$HOST"
}

step "sources"
fetch_sources
build_openssl
build_expat
build_googletest
build_icu

trap - EXIT
echo "$DATA_SUM" >"$ROOT/complete"
ln -sfn "$KEY" "$CACHE/current"
step "done"
echo "$PREFIX" >&4
