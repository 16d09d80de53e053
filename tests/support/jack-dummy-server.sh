#!/usr/bin/env bash
# Starts or stops the JACK dummy server that the RtMidi tests play into.
#   jack-dummy-server.sh start STATE_DIR   # returns once the server answers
#   jack-dummy-server.sh stop STATE_DIR    # stops the server that start began
# A server that was running already is used and left running.
set -euo pipefail

action=${1:?start or stop}
state=${2:?state directory}
pidfile=$state/jackd.pid
# The server's socket: JACK 1 makes the first, JACK 2 the second.
ready_paths=(/dev/shm/jack-$(id -u)/default/jack_0 /dev/shm/jack_default_$(id -u)_0)

server_answers() {
    local path
    for path in "${ready_paths[@]}"; do
        [ -e "$path" ] && return 0
    done
    return 1
}

stop_ours() {
    [ -f "$pidfile" ] || return 0
    local pid
    pid=$(cat "$pidfile")
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$pidfile"
}

case $action in
start)
    mkdir -p "$state"
    stop_ours  # left over from an interrupted run
    command -v jackd >/dev/null || { echo "jackd is not installed (scripts/deps.sh test installs one)" >&2; exit 1; }
    log=$state/jackd.log
    # Detached from CTest's pipes, so that this test ends while the server runs.
    setsid jackd -r -d dummy -r 48000 -p 256 </dev/null >"$log" 2>&1 &
    pid=$!
    echo "$pid" >"$pidfile"
    for _ in $(seq 100); do
        if ! kill -0 "$pid" 2>/dev/null; then
            rm -f "$pidfile"
            if server_answers; then
                echo "using the JACK server that runs already"
                exit 0
            fi
            echo "jackd did not start:" >&2
            cat "$log" >&2
            exit 1
        fi
        if server_answers; then
            sleep 0.2  # the socket exists a moment before the server accepts clients
            echo "jackd $pid is ready"
            exit 0
        fi
        sleep 0.05
    done
    echo "jackd did not become ready within 5 s:" >&2
    cat "$log" >&2
    stop_ours
    exit 1
    ;;
stop)
    stop_ours
    ;;
*)
    echo "usage: $0 start|stop STATE_DIR" >&2
    exit 2
    ;;
esac
