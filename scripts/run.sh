#!/bin/sh
# Installs what is needed, builds, and starts the configuration tool.
# Arguments are passed to the tool (try --help).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec build/bin/dravo-spark-config "$@"
