#!/bin/sh
# Installs the Debian packages that building, running and testing need; with
# --windows, those of the Windows cross build, its installer package and its
# signatures, and of running its tests under Wine (with Wine's own fonts, the
# dialog fonts of Windows) on a virtual display instead; with --reproducible,
# diffoscope for scripts/check-reproducible.sh. Idempotent: does nothing when
# every package is already there.
set -eu

if [ "${1:-}" = "--windows" ]; then
  PACKAGES="
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    dpkg-dev wine64 fonts-wine xvfb xauth wixl msitools osslsigncode openssl python3 tmux imagemagick
  "
elif [ "${1:-}" = "--reproducible" ]; then
  PACKAGES="diffoscope-minimal"
else
  PACKAGES="
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
    libicu-dev libssl-dev libexpat1-dev libncurses-dev
    unixodbc unixodbc-dev odbcinst libsqliteodbc
    libgtest-dev libgmock-dev libbenchmark-dev
    tmux acl ansible-core strace pylint pycodestyle yamllint python3-voluptuous
    lintian rpm rpmlint cpio icu-devtools
    openssl curl nginx-light libxml2-utils
    libkrb5-dev krb5-kdc krb5-admin-server krb5-user faketime
    libsasl2-dev libsasl2-modules libsasl2-modules-gssapi-mit
    libzookeeper-java default-jre-headless
  "
fi

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
