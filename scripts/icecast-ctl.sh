#!/usr/bin/env bash
# Stops or starts the private Icecast 2 server that scripts/with-icecast.sh set up, by the
# folder it exported (KORVALE_ICECAST_DIR): a test uses it to take the server away mid-stream
# and bring the same server back on the same port.
#
#   scripts/icecast-ctl.sh start|stop|kill
#
# start returns once the server answers on its port (or fails after about 10 s); stop ends it
# (SIGTERM, then SIGKILL after 5 s) and kill ends it at once, as a crash would. Both return
# once the process is gone.
set -u

dir="${KORVALE_ICECAST_DIR:?KORVALE_ICECAST_DIR is not set: run under scripts/with-icecast.sh}"
port="$(cat "$dir/port")"
pidfile="$dir/server.pid"

answers() {
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null
}

running_pid() {
    [ -f "$pidfile" ] || return 1
    local pid
    pid="$(cat "$pidfile")"
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && echo "$pid"
}

wait_gone() {
    local pid="$1" tries="$2" i=0
    while kill -0 "$pid" 2>/dev/null && [ "$i" -lt "$tries" ]; do
        sleep 0.1
        i=$((i + 1))
    done
    ! kill -0 "$pid" 2>/dev/null
}

case "${1:-}" in
start)
    if running_pid >/dev/null; then
        exit 0
    fi
    # Its own session: the server outlives this script and ignores the caller's signals.
    setsid icecast2 -c "$dir/icecast.xml" >>"$dir/log/console.log" 2>&1 </dev/null &
    echo $! >"$pidfile"
    i=0
    until answers; do
        i=$((i + 1))
        if [ "$i" -gt 100 ] || ! running_pid >/dev/null; then
            echo "$0: icecast2 did not start on port $port" >&2
            tail -n 20 "$dir/log/console.log" "$dir/log/error.log" >&2 2>/dev/null
            exit 1
        fi
        sleep 0.1
    done
    ;;
stop | kill)
    pid="$(running_pid)" || exit 0
    if [ "$1" = kill ]; then
        kill -KILL "$pid"
    else
        kill -TERM "$pid"
        wait_gone "$pid" 50 || kill -KILL "$pid"
    fi
    wait_gone "$pid" 50
    rm -f "$pidfile"
    ;;
*)
    echo "usage: $0 start|stop|kill" >&2
    exit 2
    ;;
esac
