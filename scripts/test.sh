#!/bin/sh
# Installs what is needed, builds, and runs the whole test suite three times: with
# gcc, with clang under AddressSanitizer and UndefinedBehaviorSanitizer, where the
# fuzz targets also run for a short fixed time, and as the Windows program under
# Wine (scripts/test-windows.sh).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --preset default
cmake --build --preset default
ctest --preset default

cmake --preset asan
cmake --build --preset asan
ctest --preset asan

scripts/test-windows.sh
