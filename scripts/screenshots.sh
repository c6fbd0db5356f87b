#!/bin/sh
# Pictures of the add-in's dialogs as users see them, left to right (English) and right to left
# (Hebrew and Arabic), the settings dialog in German, French, Russian and Japanese too, into
# docs/screenshots/<dialog>-<language>.png.
# Usage: scripts/screenshots.sh <build-dir>
#
# The dialogs run in bin/dialog_gallery.exe under Wine's X11 driver on a virtual display
# (Xvfb :99, 1024x768, 24 bits). That needs a Wine prefix of its own: the build tree's test
# prefix stays on the null driver, so this script keeps an X11 copy of it beside it
# (<build-dir>/wineprefix-x11, made once). Needs xvfb, x11-apps (xwd), x11-utils (xwininfo),
# imagemagick and the fonts that `make screenshots` installs.
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
# Wine's desktop process keeps the graphics driver it started with: it must find the display
# accepting clients, not just its socket in place.
i=0
until xwininfo -root >/dev/null 2>&1; do
    i=$((i + 1))
    [ $i -le 50 ] || { echo "Xvfb did not start:" >&2; cat "$WORK/xvfb.log" >&2; exit 1; }
    sleep 0.1
done

if [ ! -f "$PREFIX/.talvora-x11-ready" ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    # Wine draws the caption buttons with its Marlett font, which Debian's Wine does not find
    # by itself in its own font folder.
    cp /usr/share/wine/fonts/marlett.ttf "$PREFIX/drive_c/windows/Fonts/"
    touch "$PREFIX/.talvora-x11-ready"
fi
wineserver -p
# The dialog font: Wine's own stand-in for the Windows dialog font spaces its letters widely and
# draws neither Hebrew nor Japanese; DejaVu Sans is closer to what a Windows user sees, and has
# Hebrew, Arabic and Cyrillic letters.
FONT_SUBSTITUTES='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
wine reg add "$FONT_SUBSTITUTES" /v "MS Shell Dlg" /d "DejaVu Sans" /f >/dev/null 2>&1
WORK_WINDOWS=$(winepath -w "$WORK")

mkdir -p "$OUT"
# One attempt at a picture: <dialog> <language name> <Office language id>. Fails when the
# dialog's window did not reach the X display (under Xvfb about every other Wine process shows
# its windows on no display at all, for reasons inside Wine) or the picture came out blank.
attempt() {
    place="$WORK/place-$1-$2"
    done_file="$WORK/done-$1-$2"
    log="$WORK/gallery-$1-$2.log"
    rm -f "$place" "$done_file"
    # Into a file, not a pipe: Wine's service processes would keep a pipe open.
    wine "$GALLERY" "$1" "$3" "$WORK_WINDOWS\\place-$1-$2" "$WORK_WINDOWS\\done-$1-$2" >"$log" 2>&1 &
    gallery=$!
    i=0
    while [ ! -s "$place" ]; do
        i=$((i + 1))
        if [ $i -gt 600 ] || ! kill -0 $gallery 2>/dev/null; then
            echo "The $1 dialog ($2) did not come up:" >&2; cat "$log" >&2; exit 1
        fi
        sleep 0.1
    done
    read -r x y width height <"$place"
    shown=no
    i=0
    while [ $i -lt 10 ]; do
        if xwininfo -root -tree | grep -q "\"dialog_gallery.exe\")  *${width}x${height}+${x}+${y} "; then
            shown=yes
            break
        fi
        i=$((i + 1))
        sleep 0.1
    done
    picture="$WORK/$1-$2.png"
    [ $shown = no ] || xwd -root -silent | convert xwd:- -crop "${width}x${height}+${x}+${y}" +repage "$picture"
    touch "$done_file"
    wait $gallery || { echo "The $1 dialog ($2) did not close cleanly:" >&2; cat "$log" >&2; exit 1; }
    [ $shown = yes ] && [ "$(convert "$picture" -format %k info:)" -gt 1 ] || return 1
    mv "$picture" "$OUT/$1-$2.png"
    echo "docs/screenshots/$1-$2.png (${width}x${height})"
}

shoot() {
    for try in 1 2 3 4 5 6 7 8 9 10; do
        attempt "$@" && return 0
    done
    echo "No picture of the $1 dialog ($2) after ten attempts" >&2
    exit 1
}

# Russian has no Office language id of its own here: it comes from the desktop application's
# profile, which counts only beside an installed application.
DESKTOP_APP="$PREFIX/drive_c/users/$(id -un)/AppData/Local/TVZ"
shoot_in_profile_language() {
    mkdir -p "$DESKTOP_APP"
    : >"$DESKTOP_APP/TVZ EN.exe"
    printf '{"general": {"plugin_lang": "%s"}}' "$2" >"$DESKTOP_APP/TVZ.json"
    shoot "$1" "$2" 0x0409
    rm -rf "$DESKTOP_APP"
}

# DejaVu Sans has no Japanese letters: the Japanese pictures take the host's Japanese font as
# their dialog font, as a Japanese Windows takes its own.
shoot_in_japanese_font() {
    wine reg add "$FONT_SUBSTITUTES" /v "MS Shell Dlg" /d "IPAGothic" /f >/dev/null 2>&1
    shoot "$@"
    wine reg add "$FONT_SUBSTITUTES" /v "MS Shell Dlg" /d "DejaVu Sans" /f >/dev/null 2>&1
}

for dialog in waiting suspended; do
    shoot $dialog en 0x0409
    shoot $dialog he 0x040D
    shoot $dialog ar 0x0401
done

# The settings dialog holds the longest texts: also in the languages whose translations run
# longest or use other scripts.
for dialog in settings settings-signed-in settings-browser; do
    shoot $dialog en 0x0409
    shoot $dialog he 0x040D
    shoot $dialog ar 0x0401
    shoot $dialog de 0x0407
    shoot $dialog fr 0x040C
    shoot_in_japanese_font $dialog ja 0x0411
    shoot_in_profile_language $dialog ru
done
