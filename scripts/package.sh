#!/bin/sh
# The release: a production build of the add-in and its language libraries in their own build
# tree, and the per-user installer made from it.
# Usage: scripts/package.sh <build-dir>   (writes <build-dir>/package/TalvoraMeeting-<version>-x64.msi)
set -eu
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "$1")
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

LAUNCHER=""
command -v ccache >/dev/null 2>&1 && LAUNCHER="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
[ -f "$BUILD/CMakeCache.txt" ] || cmake -S "$TOP" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTALVORA_SERVICE=production $LAUNCHER -G "Unix Makefiles" >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target TalvoraMeeting talvora_language_libraries -- --no-print-directory

# Exactly the files a user gets, and only a release DLL among them.
FILES="$BUILD/package/files"
rm -rf "$FILES"
mkdir -p "$FILES"
cp "$BUILD/bin/TalvoraMeeting.dll" "$BUILD"/bin/Resources_*.dll "$FILES/"
/usr/bin/python3 "$TOP/package/check_release.py" "$FILES/TalvoraMeeting.dll"

VERSION=$(/usr/bin/python3 "$TOP/package/make_msi.py" --files "$FILES" --print-version)
rm -f "$BUILD"/package/TalvoraMeeting-*-x64.msi
/usr/bin/python3 "$TOP/package/make_msi.py" --files "$FILES" --output "$BUILD/package/TalvoraMeeting-$VERSION-x64.msi"
echo "package: $BUILD/package/TalvoraMeeting-$VERSION-x64.msi ($(stat -c %s "$BUILD/package/TalvoraMeeting-$VERSION-x64.msi") bytes)"
