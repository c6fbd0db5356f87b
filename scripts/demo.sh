#!/bin/sh
# The demo: registers the add-in in the build tree's Wine prefix, starts the stand-in Outlook,
# which loads it through the registry as Office does, and shows the diagnostic log it wrote.
# Usage: scripts/demo.sh <build-dir>
set -eu
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "$1")

. "$TOP/scripts/wine-session.sh"

DLL=$(winepath -w "$BUILD/bin/TalvoraMeeting.dll")
LOG="$PREFIX/drive_c/users/$(whoami)/.tvz/OfficeAddinLog.txt"
rm -f "$LOG"

echo "== regsvr32 TalvoraMeeting.dll"
wine regsvr32 /s "$DLL" >/dev/null 2>&1 && echo "  registered for the current user"

echo
echo "== the stand-in Outlook 16 loads the add-in"
wine "$BUILD/bin/FakeOffice.exe" --app Outlook --version 16.0.4266 >"$BUILD/demo.out" 2>&1 || true
tr -d '\r' <"$BUILD/demo.out"

echo
echo "== the add-in's diagnostic log ($LOG)"
cat "$LOG" 2>/dev/null || echo "  (no log written)"
