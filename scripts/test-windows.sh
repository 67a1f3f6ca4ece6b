#!/bin/sh
# Builds the Windows program with mingw-w64 and runs the unit suite and the
# dialog scripts under Wine, with a virtual display for the real dialogs.
# The third-party libraries are built once and cached (build-windows-deps.sh).
set -eu
cd "$(dirname "$0")/.."
scripts/install-windows-deps.sh
DRAVO_WINDOWS_DEPS_DIR=$(scripts/build-windows-deps.sh)
export DRAVO_WINDOWS_DEPS_DIR

cmake --preset windows
cmake --build --preset windows

# One Wine prefix per build tree, made before the tests start so that they
# do not race to create it.
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$PWD/build-mingw/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE" wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || /usr/lib/wine/wineserver -w
fi

# Dialogs need a display: without one the dialog manager fails with error 1400.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  display=:$(( 90 + $$ % 100 ))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 1
  done
fi
status=0
ctest --preset windows || status=$?
"${WINESERVER:-/usr/lib/wine/wineserver}" -k 2>/dev/null || true
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
exit $status
