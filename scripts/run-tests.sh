#!/bin/sh
# Runs every test: the stand-in service's own tests, then each test program of the build tree
# under Wine. Usage: scripts/run-tests.sh <build-dir> [name-pattern]
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

. "$TOP/scripts/wine-session.sh"

LOGS="$BUILD/test-logs"
mkdir -p "$LOGS"
failed=""
[ $service_rc -eq 0 ] || failed="service"
[ $imports_rc -eq 0 ] || failed="$failed imports"
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
