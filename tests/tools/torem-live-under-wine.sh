#!/usr/bin/env bash
# torem-live.exe under wine, as a user runs it from a console: the ports it
# lists, and its lines and its end on Ctrl+C (wine turns SIGINT into the
# console's Ctrl+C event) with COM12 mapped onto torem-devsim.
#   torem-live-under-wine.sh WINE_RUN PREFIX TOREM_LIVE_EXE
set -euo pipefail
wine_run=$1 prefix=$2 exe=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# Its lines end in CR LF, as a Windows program's do.
"$wine_run" "$prefix" wine "$exe" --list 2>"$work/list.err" | tr -d '\r' >"$work/list" || fail "--list ended with $?"
grep -qx '  COM12' "$work/list" || fail "COM12 is not listed: $(cat "$work/list")"
[ ! -s "$work/list.err" ] || fail "--list said on stderr: $(cat "$work/list.err")"

# Runs torem-live with the arguments until it has told the lines it tells at
# start, then presses Ctrl+C; it must end with 0 and have told exactly the
# expected lines (their times taken out), then the figures of the run.
run() {
    local expected=$1 started=$2
    shift 2
    # Made here: the loop below may read it before the program's shell has.
    : >"$work/err"
    "$wine_run" "$prefix" wine "$exe" "$@" >"$work/out" 2>"$work/err" &
    local pid=$! status=0
    # However long wine takes: CTest's time-out ends a hang.
    while [ "$(wc -l <"$work/err")" -lt "$started" ] && kill -0 "$pid" 2>/dev/null; do
        sleep 0.1
    done
    kill -INT "$pid" 2>/dev/null || true
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "torem-live $* ended with $status; it said: $(cat "$work/err")"
    tr -d '\r' <"$work/err" | sed -E 's/^(torem-live: )[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} /\1/' >"$work/told"
    tail -n 1 "$work/told" | grep -q '^torem-live: Changes sent: ' || fail "torem-live $* ended without its figures"
    diff -u <(printf '%s\n' "$expected") <(sed '$d' "$work/told") || fail "torem-live $* told other lines"
}

run 'torem-live: port COM12: Open.
torem-live: MIDI device "Stage Keys": Not found. Opened as soon as it appears.
torem-live: port COM12: Closed.' 2 --port COM12 --midi "Stage Keys" --mode dry

run 'torem-live: port COM99: Not found. Tried again every second.
torem-live: warning: COM99 : Opening Error of COM port
torem-live: MIDI device "Stage Keys": Not found. Opened as soon as it appears.' 3 --port COM99 --midi "Stage Keys"
echo "torem-live.exe lists COM12, opens it, and ends cleanly on Ctrl+C"
