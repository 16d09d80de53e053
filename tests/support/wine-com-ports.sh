#!/usr/bin/env bash
# Maps COM ports of a wine prefix onto TOREM device simulators (torem-devsim
# built for this machine) on pseudo-terminals, so that Windows programs under
# wine talk to a device through the Win32 serial calls:
#   wine-com-ports.sh start STATE DEVSIM WINE_RUN PREFIX
#   wine-com-ports.sh stop STATE
# COM12 answers as a device does, COM13 answers the start byte but never the
# level. STATE/COMnn is the link to the simulator's pseudo-terminal, and
# STATE/COMnn.log holds the changes it accepted, one "output level" a line.
set -euo pipefail

command=${1:?start or stop}
state=${2:?the state folder}
ports=(COM12 COM13)
declare -A flags=([COM12]="" [COM13]="--no-level-ack")

# Whether process pid runs; an ended one that nobody has reaped yet does not
# (the script that started it is gone, and its new parent may be slow).
running() {
    local status
    status=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) && [ "$status" != Z ]
}

stop() {
    local port pid
    for port in "${ports[@]}"; do
        [ -f "$state/$port.pid" ] || continue
        pid=$(cat "$state/$port.pid")
        # A file left by an earlier run may name another program by now.
        if grep -qs torem-devsim "/proc/$pid/cmdline" && kill "$pid" 2>/dev/null; then
            while running "$pid"; do sleep 0.05; done
        fi
        rm -f "$state/$port.pid"
    done
    return 0
}

case $command in
start)
    devsim=${3:?torem-devsim} wine_run=${4:?wine-run.sh} prefix=${5:?the wine prefix}
    stop
    mkdir -p "$state"
    for port in "${ports[@]}"; do
        # shellcheck disable=SC2086
        "$devsim" --link "$state/$port" ${flags[$port]} >"$state/$port.log" 2>"$state/$port.err" </dev/null &
        echo $! >"$state/$port.pid"
    done
    for port in "${ports[@]}"; do
        while [ ! -L "$state/$port" ] && running "$(cat "$state/$port.pid")"; do
            sleep 0.05
        done
        [ -L "$state/$port" ] || { echo "torem-devsim did not start for $port:" >&2; cat "$state/$port.err" >&2; stop; exit 1; }
        # The registry maps the port at every start of the wine session, and
        # wine's serial driver then lists it among the system's ports; in the
        # session running now, the link in dosdevices maps it and the port is
        # listed here as the driver would list it.
        "$wine_run" "$prefix" wine reg add 'HKLM\Software\Wine\Ports' /v "$port" /t REG_SZ /d "$state/$port" /f \
            </dev/null >/dev/null 2>&1
        ln -sfn "$state/$port" "$prefix/dosdevices/${port,,}"
        "$wine_run" "$prefix" wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\Serial$((${port#COM} - 1))" \
            /t REG_SZ /d "$port" /f </dev/null >/dev/null 2>&1
    done
    ;;
stop)
    stop
    ;;
*)
    echo "usage: $0 start STATE DEVSIM WINE_RUN PREFIX | stop STATE" >&2
    exit 2
    ;;
esac
