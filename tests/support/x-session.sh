#!/usr/bin/env bash
# A display of our own for windows under wine: Xvfb on a free display number
# with openbox as its window manager, without which keys never reach a wine
# window.
#   x-session.sh start STATE    prints the display (":5")
#   x-session.sh stop STATE
set -euo pipefail

command=${1:?start or stop}
state=${2:?the state folder}

stop() {
    local name pid
    for name in openbox xvfb; do
        [ -f "$state/$name.pid" ] || continue
        pid=$(cat "$state/$name.pid")
        # A file left by an earlier run may name another program by now.
        if grep -qs -e openbox -e Xvfb "/proc/$pid/cmdline" && kill "$pid" 2>/dev/null; then
            while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
        fi
        rm -f "$state/$name.pid"
    done
}

case $command in
start)
    stop
    mkdir -p "$state"
    # Xvfb writes the number it took once it takes connections.
    rm -f "$state/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$state/display" >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    while [ ! -s "$state/display" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; do sleep 0.05; done
    [ -s "$state/display" ] || { echo "Xvfb did not start:" >&2; cat "$state/xvfb.log" >&2; exit 1; }
    display=:$(head -n 1 "$state/display")
    DISPLAY=$display openbox >"$state/openbox.log" 2>&1 &
    echo $! >"$state/openbox.pid"
    # openbox is in charge once it names itself on the root window.
    while ! DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        kill -0 "$(cat "$state/openbox.pid")" 2>/dev/null ||
            { echo "openbox did not start:" >&2; cat "$state/openbox.log" >&2; stop; exit 1; }
        sleep 0.05
    done
    echo "$display"
    ;;
stop)
    stop
    ;;
*)
    echo "usage: $0 start STATE | stop STATE" >&2
    exit 2
    ;;
esac
