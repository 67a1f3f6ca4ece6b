#!/bin/sh
# Takes a screenshot of every dialog template as Windows draws it (under Wine,
# on a virtual display) into docs/screenshots/windows-<template id>.png, or
# into DRAVO_SCREENSHOT_DIR, where the test command compares them with those
# in docs/. Needs the Windows build (scripts/test-windows.sh) and ImageMagick.
set -eu
cd "$(dirname "$0")/.."
build=${DRAVO_WINDOWS_BUILD_DIR:-build-mingw}
out=${DRAVO_SCREENSHOT_DIR:-docs/screenshots}
mkdir -p "$out"
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
. scripts/xvfb.sh
start_xvfb
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
fifo=$(mktemp -u)
mkfifo "$fifo"
exec 3<>"$fifo"
# A virtual desktop: Wine then draws the title bars and frames itself, as
# Windows does, where a bare X server has no window manager to draw them.
"$WINE" explorer /desktop=screenshots,1024x768 "$build/tests/dialog_gallery.exe" <&3 | while read -r word id left top width height; do
  [ "$word" = ready ] || continue
  import -window root -crop "${width}x${height}+${left}+${top}" +repage "$out/windows-$id.png"
  echo "$out/windows-$id.png"
  echo next >&3
done
exec 3>&-
rm -f "$fifo"

# The real program's main dialog with the product's own entries.
"$WINE" explorer /desktop=program,1024x768 "$build/bin/dravo-spark-config.exe" --registry-root screenshots \
  >/dev/null 2>&1 &
program_pid=$!
previous=$(mktemp)
for _ in $(seq 1 60); do
  sleep 1
  import -window root -crop 1024x768+0+0 +repage -trim +repage "$out/windows-program.png"
  # Trimmed to less than the desktop, and as it was a second ago: the
  # dialog is drawn, wholly.
  if [ "$(identify -format %w "$out/windows-program.png")" -lt 1000 ] \
    && [ "$(compare -metric AE "$previous" "$out/windows-program.png" null: 2>&1 || true)" = 0 ]; then
    break
  fi
  cp "$out/windows-program.png" "$previous"
done
rm -f "$previous"
kill "$program_pid" 2>/dev/null || true
"${WINESERVER:-/usr/lib/wine/wineserver}" -k 2>/dev/null || true
echo "$out/windows-program.png"

# The terminal backend beside it: the Linux program in tmux, its screen as
# text (the README shows it as a text block).
linux_program=${DRAVO_LINUX_PROGRAM:-build/bin/dravo-spark-config}
if [ -x "$linux_program" ] && command -v tmux >/dev/null; then
  # A short, fixed registry root, since the line below the dialog names the
  # configuration file in it.
  registry=/tmp/dravo-screenshots
  rm -rf "$registry"
  mkdir -p "$registry"
  socket="dravo-screenshots-$$"
  tmux -L "$socket" new-session -d -x 100 -y 34 \
    "env TERM=xterm-256color SPARKINI= DRAVO_REGISTRY_ROOT=$registry $linux_program"
  # Drawn once the dialog's last row is there; a loaded machine takes longer.
  for _ in $(seq 1 60); do
    tmux -L "$socket" capture-pane -p | sed -e '/^ *$/d' >"$out/terminal-program.txt"
    grep -q 'Logging Options' "$out/terminal-program.txt" && break
    sleep 0.5
  done
  tmux -L "$socket" kill-server
  rm -rf "$registry"
  echo "$out/terminal-program.txt"
fi
