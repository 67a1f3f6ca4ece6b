#!/bin/sh
# Builds the Windows program with mingw-w64 and its installer package with wixl,
# signed with a throwaway test certificate, and runs the unit suite, the dialog
# scripts and the package's tests under Wine, with a virtual display for the
# real dialogs. The third-party libraries are built once and cached
# (build-windows-deps.sh).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows
DRAVO_WINDOWS_DEPS_DIR=$(scripts/build-windows-deps.sh)
export DRAVO_WINDOWS_DEPS_DIR

# A self-signed code-signing certificate, made once per build tree so that the
# signed files stay signed by it; Windows trusts it nowhere.
signing=build-mingw/test-signing
if [ ! -f "$signing/key.pem" ] || [ ! -f "$signing/certificate.pem" ]; then
  mkdir -p "$signing"
  openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 3650 -subj "/CN=Dravo Test Code Signing/O=Dravo" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$signing/key.pem.new" -out "$signing/certificate.pem.new" 2>/dev/null
  mv "$signing/key.pem.new" "$signing/key.pem"
  mv "$signing/certificate.pem.new" "$signing/certificate.pem"
fi

cmake --preset windows -DDRAVO_SIGNING_CERTIFICATE="$PWD/$signing/certificate.pem" \
  -DDRAVO_SIGNING_KEY="$PWD/$signing/key.pem"
cmake --build --preset windows

# One Wine prefix per build tree, made before the tests start so that they
# do not race to create it.
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$PWD/build-mingw/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE" wineboot --init >/dev/null 2>&1 || true
  "${WINESERVER:-/usr/lib/wine/wineserver}" -w
fi
# Debian's Wine does not look for its own fonts (fonts-wine) where that
# package puts them, and draws dialogs in whatever fontconfig offers; in the
# prefix's Fonts folder, where Windows keeps them, it finds them.
for font in /usr/share/wine/fonts/*; do
  [ -e "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] || ln -s "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done

# Dialogs need a display.
. scripts/xvfb.sh
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb
fi
# One server for the whole run: one that leaves when its last client ends
# can be leaving just as the next test connects ("wine client error"). Wine's
# own background programs start here, so that they hold no test's output.
# A server left running for the prefix (by a run by hand) serves as well.
"${WINESERVER:-/usr/lib/wine/wineserver}" -p 2>/dev/null || true
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
status=0
ctest --preset windows || status=$?

# The screenshots in docs/ show the dialogs as they are now: taken again and
# compared, allowing for a few pixels of a font's smoothing.
shots=$(mktemp -d)
if DRAVO_SCREENSHOT_DIR="$shots" timeout 300 scripts/windows-screenshots.sh >"$shots/log" 2>&1; then
  for shot in "$shots"/windows-*.png "$shots"/terminal-program.txt; do
    kept=docs/screenshots/${shot##*/}
    case $shot in
    *.png)
      pixels=$(identify -format '%[fx:w*h]' "$shot")
      differing=$(compare -metric AE -fuzz 10% "$kept" "$shot" null: 2>&1 || true)
      current=$(awk -v d="$differing" -v p="$pixels" 'BEGIN { print (d ~ /^[0-9.e+]+$/ && d * 100 <= p) ? 1 : 0 }')
      ;;
    *) cmp -s "$kept" "$shot" && current=1 || current=0 ;;
    esac
    if [ "$current" != 1 ]; then
      echo "$kept is not current: run scripts/windows-screenshots.sh" >&2
      status=1
    fi
  done
else
  cat "$shots/log" >&2
  echo "scripts/windows-screenshots.sh failed" >&2
  status=1
fi
rm -rf "$shots"
"${WINESERVER:-/usr/lib/wine/wineserver}" -k 2>/dev/null || true
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
exit $status
