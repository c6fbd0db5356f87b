#!/bin/sh
# Creates the private Wine prefix of a build tree once (about 10 s and 700 MB), set up for
# headless test runs. Usage: scripts/wine-prefix.sh <prefix-dir>
set -eu

PREFIX=$(realpath -m "$1")
export WINEPREFIX="$PREFIX" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs them and they would ask for the network.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Debian's Wine presents itself as Windows 7. The programs that play Office (the host program
# and the browser sign-in tests, both with Office's compatibility manifest) see Windows 10, as
# Office does on the systems users have; also added to prefixes made before.
windows10_programs() {
    [ -f "$PREFIX/.talvora-windows10" ] && return 0
    cat >"$PREFIX/talvora-windows10.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\FakeOffice.exe]
"Version"="win10"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\sso_tests.exe]
"Version"="win10"
REG
    wine regedit /S "$PREFIX/talvora-windows10.reg" >/dev/null 2>&1
    wineserver -w
    touch "$PREFIX/.talvora-windows10"
}

if [ -f "$PREFIX/.talvora-ready" ]; then
    windows10_programs
    exit 0
fi

rm -rf "$PREFIX"
mkdir -p "$PREFIX"
echo "Creating the Wine prefix $PREFIX..."
wineboot -i >/dev/null 2>&1
wineserver -w

cat >"$PREFIX/talvora-setup.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Graphics"="null"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
wine regedit /S "$PREFIX/talvora-setup.reg" >/dev/null 2>&1
wineserver -w
touch "$PREFIX/.talvora-ready"
windows10_programs
