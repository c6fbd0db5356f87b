#!/bin/sh
# The add-in and its language libraries may import Windows system DLLs only: nothing of the
# toolchain's runtime (libgcc, libstdc++, winpthread) may be needed on a user's machine.
# Usage: scripts/check-imports.sh <build-dir>
set -u
BUILD=$1
SYSTEM="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll \
shlwapi.dll user32.dll version.dll winhttp.dll"
status=0
for dll in "$BUILD"/bin/TalvoraMeeting.dll "$BUILD"/bin/Resources_*.dll; do
    for import in $(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z'); do
        case " $SYSTEM " in
        *" $import "*) ;;
        *) echo "$(basename "$dll") imports $import, which is not a Windows system DLL"; status=1 ;;
        esac
    done
done
[ $status -eq 0 ] && echo "imports: Windows system DLLs only"
exit $status
