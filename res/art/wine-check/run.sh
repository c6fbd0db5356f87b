#!/bin/sh
# Builds a small Windows program carrying the artwork as resources, runs it
# under Wine on a virtual display, and compares what the Windows loaders
# return with the files.  Needs mingw-w64, wine64 and xvfb (Debian packages
# gcc-mingw-w64-x86-64, wine64, xvfb) and python3-pil.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
x86_64-w64-mingw32-windres -I "$here/.." "$here/art_check.rc" -O coff -o "$work/res.o"
x86_64-w64-mingw32-gcc -municode -O1 -Wall -o "$work/art_check.exe" \
    "$here/art_check.c" "$work/res.o" -lcomctl32 -lgdi32 -luser32
mkdir "$work/out"
export WINEPREFIX="${WINEPREFIX:-$work/prefix}" WINEDEBUG=-all
status=0
xvfb-run -a -s "-screen 0 1024x768x24" \
    wine "$work/art_check.exe" "Z:$(echo "$work/out" | tr / '\\')" >/dev/null 2>&1 || status=$?
cat "$work/out/log.txt"
[ "$status" -eq 0 ] || { echo "art_check.exe exited with $status"; exit 1; }
/usr/bin/python3 "$here/compare.py" "$work/out"
