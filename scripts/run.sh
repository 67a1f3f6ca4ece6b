#!/bin/sh
# Installs what is needed, builds, and starts the configuration tool.
# Arguments are passed to the tool (try --help).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
# The configuration lives in /etc/vezuravuz.ini, which only root may
# change: ask for the rights here rather than have the tool refuse. A file
# of one's own (SPARKINI) or a registry root of one's own needs none.
if [ "$(id -u)" -ne 0 ] && [ -z "${DRAVO_REGISTRY_ROOT:-}" ] && [ -z "${SPARKINI:-}" ]; then
  case " $* " in
    *" --registry-root"* | *" --help "* | *" --version "*) ;;
    *) exec sudo build/bin/dravo-spark-config "$@" ;;
  esac
fi
exec build/bin/dravo-spark-config "$@"
