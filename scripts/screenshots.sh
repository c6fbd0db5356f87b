#!/bin/sh
# Pictures of the add-in's dialogs as users see them, left to right (English) and right to left
# (Hebrew), into docs/screenshots/<dialog>-<language>.png.
# Usage: scripts/screenshots.sh <build-dir>
#
# The dialogs run in bin/dialog_gallery.exe under Wine's X11 driver on a virtual display
# (Xvfb :99, 1024x768, 24 bits). That needs a Wine prefix of its own: the build tree's test
# prefix stays on the null driver, so this script keeps an X11 copy of it beside it
# (<build-dir>/wineprefix-x11, made once). Needs xvfb, x11-apps (xwd) and imagemagick.
set -eu
TOP=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: $0 <build-dir>" >&2; exit 2; }
BUILD=$(realpath -m "$1")
GALLERY="$BUILD/bin/dialog_gallery.exe"
OUT="$TOP/docs/screenshots"
DISPLAY_NUMBER=99
[ -f "$GALLERY" ] || { echo "$GALLERY is missing: build the tree first" >&2; exit 1; }
for tool in Xvfb xwd convert wine wineserver; do
    command -v $tool >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done
[ ! -e /tmp/.X$DISPLAY_NUMBER-lock ] || { echo "display :$DISPLAY_NUMBER is in use" >&2; exit 1; }

BASE_PREFIX="$BUILD/wineprefix"
PREFIX="$BUILD/wineprefix-x11"
"$TOP/scripts/wine-prefix.sh" "$BASE_PREFIX"
if [ ! -f "$PREFIX/.talvora-x11-ready" ]; then
    echo "Copying the Wine prefix for the X11 driver..."
    rm -rf "$PREFIX"
    cp -a "$BASE_PREFIX" "$PREFIX"
fi
export WINEPREFIX="$PREFIX" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=:$DISPLAY_NUMBER

WORK=$(mktemp -d)
Xvfb :$DISPLAY_NUMBER -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
cleanup() {
    wineserver -k 2>/dev/null || true
    kill $XVFB_PID 2>/dev/null || true
    wait $XVFB_PID 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
i=0
while [ ! -e /tmp/.X11-unix/X$DISPLAY_NUMBER ]; do
    i=$((i + 1))
    [ $i -le 50 ] || { echo "Xvfb did not start:" >&2; cat "$WORK/xvfb.log" >&2; exit 1; }
    sleep 0.1
done

if [ ! -f "$PREFIX/.talvora-x11-ready" ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$PREFIX/.talvora-x11-ready"
fi
wineserver -p

mkdir -p "$OUT"
# <dialog> <language name> <Office language id>
shoot() {
    place="$WORK/place-$1-$2"
    done_file="$WORK/done-$1-$2"
    # Into a file, not a pipe: Wine's service processes would keep a pipe open.
    wine "$GALLERY" "$1" "$3" "$(winepath -w "$place")" "$(winepath -w "$done_file")" >"$WORK/gallery-$1-$2.log" 2>&1 &
    gallery=$!
    i=0
    while [ ! -s "$place" ]; do
        i=$((i + 1))
        if [ $i -gt 600 ] || ! kill -0 $gallery 2>/dev/null; then
            echo "The $1 dialog ($2) did not come up:" >&2; cat "$WORK/gallery-$1-$2.log" >&2; exit 1
        fi
        sleep 0.1
    done
    read -r x y width height <"$place"
    xwd -root -silent | convert xwd:- -crop "${width}x${height}+${x}+${y}" +repage "$OUT/$1-$2.png"
    touch "$done_file"
    wait $gallery || { echo "The $1 dialog ($2) did not close cleanly:" >&2; cat "$WORK/gallery-$1-$2.log" >&2; exit 1; }
    echo "docs/screenshots/$1-$2.png (${width}x${height})"
}

for dialog in waiting suspended; do
    shoot $dialog en 0x0409
    shoot $dialog he 0x040D
done
