#!/bin/sh
# Installs what is needed, builds, and starts the configuration tool.
# Arguments are passed to the tool (try --help).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
# The configuration lives in the machine registry, which only root may
# change: ask for the rights here rather than have the tool refuse.
if [ "$(id -u)" -ne 0 ] && [ -z "${DRAVO_REGISTRY_ROOT:-}" ]; then
  case " $* " in
    *" --registry-root"* | *" --help "* | *" --version "*) ;;
    *) exec sudo build/bin/dravo-spark-config "$@" ;;
  esac
fi
exec build/bin/dravo-spark-config "$@"
