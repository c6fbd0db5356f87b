# Sourced by the run scripts: the build tree's Wine prefix, a persistent wineserver for the run
# (every program start is then fast), and the stand-in Talvora service on a free loopback port.
# Expects BUILD (the build tree) and TOP (the repository); defines stop_session.

PREFIX=$(realpath -m "$BUILD/wineprefix")
"$TOP/scripts/wine-prefix.sh" "$PREFIX"

export WINEPREFIX="$PREFIX" WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -p

SERVICE_LOG="$BUILD/service.log"
PORT_FILE="$BUILD/service.port"
rm -f "$PORT_FILE"
/usr/bin/python3 "$TOP/tests/service/talvora_service.py" --port 0 --port-file "$PORT_FILE" >/dev/null 2>"$SERVICE_LOG" &
SERVICE_PID=$!
i=0
while [ ! -s "$PORT_FILE" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 $SERVICE_PID 2>/dev/null; then
        echo "The stand-in Talvora service did not start:"; cat "$SERVICE_LOG"; exit 1
    fi
    sleep 0.1
done
export TALVORA_SERVICE_PORT=$(cat "$PORT_FILE")

stop_session() {
    kill $SERVICE_PID 2>/dev/null || true
    wait $SERVICE_PID 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap stop_session EXIT
trap 'exit 130' INT TERM
