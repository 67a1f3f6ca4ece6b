#!/bin/sh
# Takes a screenshot of every dialog template as Windows draws it (under Wine,
# on a virtual display) into docs/screenshots/windows-<template id>.png.
# Needs the Windows build (scripts/test-windows.sh) and ImageMagick.
set -eu
cd "$(dirname "$0")/.."
out=docs/screenshots
mkdir -p "$out"
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$PWD/build-mingw/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display=:$(( 90 + $$ % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
export DISPLAY="$display"
for _ in 1 2 3 4 5 6 7 8 9 10; do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 1
done
fifo=$(mktemp -u)
mkfifo "$fifo"
exec 3<>"$fifo"
"$WINE" build-mingw/tests/dialog_gallery.exe <&3 | while read -r word id left top width height; do
  [ "$word" = ready ] || continue
  import -window root -crop "${width}x${height}+${left}+${top}" +repage "$out/windows-$id.png"
  echo "$out/windows-$id.png"
  echo next >&3
done
exec 3>&-
rm -f "$fifo"
