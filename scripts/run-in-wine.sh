#!/bin/sh
# Runs one Windows program of the build tree in its Wine prefix, with the add-in registered and
# the stand-in service up. Usage: scripts/run-in-wine.sh <build-dir> <program.exe> [args...]
set -eu
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "$1")
shift
. "$TOP/scripts/wine-session.sh"
wine regsvr32 /s "$(winepath -w "$BUILD/bin/TalvoraMeeting.dll")" >/dev/null 2>&1
OUT="$BUILD/run-in-wine.out"
status=0
wine "$@" >"$OUT" 2>&1 || status=$?
tr -d '\r' <"$OUT"
exit $status
