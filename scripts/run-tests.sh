#!/bin/sh
# Runs every test: the stand-in service's own tests, the installer's (when RELEASE_BUILD names
# the release tree scripts/package.sh made), then each test program of the build tree under
# Wine. Usage: [RELEASE_BUILD=<release-dir>] scripts/run-tests.sh <build-dir> [name-pattern]
set -u
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "$1")
PATTERN=${2:-*}

echo "== stand-in service"
/usr/bin/python3 -m unittest discover -s "$TOP/tests/service" -q >"$BUILD/service-tests.log" 2>&1
service_rc=$?
tail -n 3 "$BUILD/service-tests.log"

echo "== imports"
"$TOP/scripts/check-imports.sh" "$BUILD"
imports_rc=$?

installer_rc=0
if [ -n "${RELEASE_BUILD:-}" ]; then
    echo "== installer"
    "$TOP/scripts/wine-prefix.sh" "$BUILD/installer-prefix"
    TALVORA_RELEASE_BUILD=$(realpath -m "$RELEASE_BUILD") TALVORA_TEST_BUILD="$BUILD" \
        TALVORA_PREFIX_TEMPLATE="$BUILD/installer-prefix" \
        /usr/bin/python3 -m unittest discover -s "$TOP/tests/installer" -v >"$BUILD/installer-tests.log" 2>&1
    installer_rc=$?
    grep -E '^(test_|FAIL|ERROR|Ran |OK|FAILED)' "$BUILD/installer-tests.log"
    [ $installer_rc -eq 0 ] || cat "$BUILD/installer-tests.log"
fi

. "$TOP/scripts/wine-session.sh"

LOGS="$BUILD/test-logs"
mkdir -p "$LOGS"
failed=""
[ $service_rc -eq 0 ] || failed="service"
[ $imports_rc -eq 0 ] || failed="$failed imports"
[ $installer_rc -eq 0 ] || failed="$failed installer"
for exe in "$BUILD"/tests/bin/$PATTERN.exe; do
    [ -f "$exe" ] || continue
    name=$(basename "$exe" .exe)
    echo "== $name"
    # Into a file, not a pipe: Wine's service processes inherit the output and outlive the test.
    timeout 1200 wine "$exe" --gtest_brief=1 >"$LOGS/$name.log" 2>&1
    rc=$?
    tr -d '\r' <"$LOGS/$name.log"
    [ $rc -eq 0 ] || failed="$failed $name"
done

echo
if [ -n "$failed" ]; then
    echo "FAILED:$failed"
    exit 1
fi
echo "All tests passed."
