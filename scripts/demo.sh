#!/bin/sh
# The demo: registers the add-in in the build tree's Wine prefix and lets the stand-in Office
# hosts load it through the registry as Office does, against the stand-in Talvora service.
#   1. Alice is signed in in the desktop application (its profile and "TVZ EN.exe" are written
#      into the prefix), so no dialog asks: Outlook shows its ribbons, the appointment toggle is
#      pressed twice, Schedule a Meeting makes an appointment, Meet Now starts the application.
#   2. Word, Excel and PowerPoint show the ribbon they get.
#   3. Office 2003 and the Outlook 2007 main window get the Talvora command bar instead: Word 11
#      with its four commands (Schedule a Meeting makes the appointment in the stand-in Outlook,
#      started out of process), Outlook 11 with an appointment window whose toolbar adds and
#      removes the invitation, Outlook 12 with the bar and the ribbon in appointment windows.
#   4. Nobody is signed in: Settings opens the settings dialog, where a robot signs Dave in, and
#      Schedule a Meeting makes his appointment.
#   5. Nobody is signed in: Settings opens the settings dialog, the robot presses "Continue with
#      Facebook", the stand-in browser (the prefix's http handler for the scenario) walks the
#      service's sign-in pages as Chloé and approves; the dialog reads the code from the
#      browser's window title, exchanges it and is done; Schedule a Meeting makes her appointment.
# Then the add-in's diagnostic log. What the demo put into the prefix is removed at the end.
# Usage: scripts/demo.sh <build-dir>
set -eu
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "$1")

. "$TOP/scripts/wine-session.sh"

DLL=$(winepath -w "$BUILD/bin/TalvoraMeeting.dll")
USER_DIR="$PREFIX/drive_c/users/$(whoami)"
LOG="$USER_DIR/.tvz/OfficeAddinLog.txt"
DESKTOP_APP="$USER_DIR/AppData/Local/TVZ"

HTTP_COMMAND='HKLM\Software\Classes\http\shell\open\command'
BROWSER=$(winepath -w "$BUILD/tests/tools/stand_in_browser.exe")
PREVIOUS_BROWSER=$(wine reg query "$HTTP_COMMAND" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')

forget_accounts() {
    wine reg delete 'HKCU\Software\TalvoraAddIn' /f >/dev/null 2>&1 || true
    rm -rf "$DESKTOP_APP"
}
use_browser() {
    wine reg add "$HTTP_COMMAND" /ve /d "$1" /f >/dev/null 2>&1
}
trap 'forget_accounts; use_browser "$PREVIOUS_BROWSER"; stop_session' EXIT

office() {
    wine "$BUILD/bin/FakeOffice.exe" "$@" >"$BUILD/demo.out" 2>&1 || true
    tr -d '\r' <"$BUILD/demo.out"
}

forget_accounts
rm -f "$LOG"

echo "== regsvr32 TalvoraMeeting.dll"
wine regsvr32 /s "$DLL" >/dev/null 2>&1 && echo "  registered for the current user"

echo
echo "== Alice Walker is signed in in the desktop application"
mkdir -p "$DESKTOP_APP"
cp "$BUILD/bin/TVZ EN.exe" "$DESKTOP_APP/"
cat >"$DESKTOP_APP/TVZ.json" <<'JSON'
{"hostprofile": {"email": "alice+meet@example.com"},
 "identity": {"access_token": "a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", "subscription_id": "48213"}}
JSON
printf '  %s: TVZ.json, TVZ EN.exe\n' "$(winepath -w "$DESKTOP_APP")"

echo
echo "== Outlook 16: its ribbons, the appointment toggle, Schedule a Meeting, Meet Now"
office --app Outlook --version 16.0.4266 --run toggle,schedule,meetnow
echo "  the desktop application's command line:"
sed 's/^/    /' "$DESKTOP_APP/launches.txt" 2>/dev/null | tr -d '\r' || echo "    (not started)"

for app in Word Excel PowerPoint; do
    echo
    echo "== $app 16: its ribbon"
    office --app $app --version 16.0.4266
done

echo
echo "== Word 11 (Office 2003): the Talvora command bar; Schedule a Meeting"
office --app Word --version 11.0 --run schedule

echo
echo "== Outlook 11 (Office 2003): the command bar, and the appointment toolbar pressed twice"
office --app Outlook --version 11.0.8303 --run toggle

echo
echo "== Outlook 12 (Office 2007): the command bar in the main window, the ribbon in appointment windows"
office --app Outlook --version 12.0.6423 --run toggle

echo
echo "== Nobody is signed in: Settings, where a robot signs Dave in; then Schedule a Meeting"
forget_accounts
office --app Outlook --version 16.0.4266 --sign-in dave@example.com dave1234 --run schedule

echo
echo "== Nobody is signed in: Settings, \"Continue with Facebook\", Chloé approves in the stand-in browser;"
echo "   then Schedule a Meeting"
forget_accounts
use_browser "\"$BROWSER\" \"%1\""
TALVORA_BROWSER=approve TALVORA_BROWSER_ACCOUNT=chloe+work@example.ca \
    office --app Outlook --version 16.0.4266 --browser-sign-in --run schedule
use_browser "$PREVIOUS_BROWSER"

echo
echo "== the add-in's diagnostic log ($LOG)"
cat "$LOG" 2>/dev/null || echo "  (no log written)"
