#!/usr/bin/env bash
# torem-bridge.exe under wine as a user runs it, on the display of
# scripts/test-windows.sh, driven by keystrokes (xdotool): started with a
# settings file beside it that the earlier tool wrote (Windows-1252) naming a
# MIDI file, a new sequence file and COM12 (torem-devsim), File > Convert
# writes the image torem-convert writes on Linux; RS232, All outputs off
# (Ctrl+Shift+O) switches the simulator's 256 outputs off; French chosen in
# the Language menu and "+ 2 Octaves" in the pop-up menu that the transpose
# button opens at the mouse are saved when the window is closed.
#   torem-bridge-under-wine.sh WINE_RUN PREFIX TOREM_BRIDGE_EXE HOST_TOOLS
# HOST_TOOLS is the tools/ folder of a build for this machine; TOREM_COM_PORTS
# names the simulators' folder (Z:...).
set -euo pipefail
wine_run=$1 prefix=$2 exe=$3 host=$4
ports=${TOREM_COM_PORTS:?the COM port simulators}
ports=${ports#Z:}
[ -n "${DISPLAY:-}" ] || { echo "needs a display: scripts/test-windows.sh starts Xvfb"; exit 77; }
work=$(mktemp -d)
pid=
finish() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
export LC_ALL=C.UTF-8

# Waits as long as wine takes for a window of that title (CTest's time-out
# ends a hang) and gives its id.
window() { xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
# Brings a window to the front, asking again until the window manager has
# done it (it may not have an active window to tell of yet).
activate() {
    until [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; do
        xdotool windowactivate "$1" 2>/dev/null || true
        sleep 0.2
    done
}
keys() {
    activate "$1"
    shift
    xdotool key --clearmodifiers --delay 100 "$@"
}

mkdir "$work/program"
cp "$exe" "$work/program/torem-bridge.exe"
"$host/torem-example-midi" "$work/Chanson é.mid" >/dev/null
"$host/torem-convert" -r 250 "$work/Chanson é.mid" "$work/linux.seq" >/dev/null
# The earlier tool's file: Windows-1252, CR LF.
windows_name() { echo "Z:$1" | tr / '\\'; }
printf '%s\r\n' "Settings File of TOREM Midi To TOREM Sequence Bridge" "Language :" "English" "Midi File :" \
    "$(windows_name "$work/Chanson é.mid")" "Resolution :" "250" "Seq File :" "$(windows_name "$work/sortie.seq")" \
    "Port COM :" "COM12" "Port Midi In :" "" "Mode :" "1" "Transpose Value :" "5" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$work/program/TOREMMidiToSeqBridge.cfg"

"$wine_run" "$prefix" wine "$work/program/torem-bridge.exe" </dev/null >"$work/out" 2>&1 &
pid=$!
form=$(window "Midi To TOREM Sequence Bridge")

# File > Convert, by its accelerator keys; "Process done..." says it is written.
keys "$form" alt+f c
keys "$(window Information)" Return
cmp "$work/linux.seq" "$work/sortie.seq" || fail "File > Convert wrote another image than torem-convert"

before=$(wc -l <"$ports/COM12.log")
keys "$form" ctrl+shift+o
expected=$(for output in $(seq 0 255); do echo "$output 0"; done)
while [ "$(wc -l <"$ports/COM12.log")" -lt $((before + 256)) ]; do
    kill -0 "$pid" 2>/dev/null || fail "the window ended: $(cat "$work/out")"
    sleep 0.1
done
diff <(echo "$expected") <(tail -n +$((before + 1)) "$ports/COM12.log") >/dev/null ||
    fail "All outputs off sent other changes than 256 offs"

# The transpose button (SpeedButton6, in the middle of 224+18, 77+18 of the
# bridge panel at 8, 216 of the back panel under the tool bar, 44 high, all
# under the menu bar) opens its pop-up menu where the mouse is; its seventh
# item is "+ 2 Octaves".
menu_bar=20
activate "$form"
xdotool mousemove --window "$form" $((8 + 224 + 18)) $((menu_bar + 44 + 216 + 77 + 18)) click 1
keys "$form" Down Down Down Down Down Down Down Return
keys "$form" alt+l f
keys "$form" alt+F4
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the window ended with $status: $(cat "$work/out")"
saved=$(iconv -f WINDOWS-1252 -t UTF-8 <"$work/program/TOREMMidiToSeqBridge.cfg" | tr -d '\r')
[ "$(sed -n 3p <<<"$saved")" = French ] || fail "closing did not save the language: $saved"
[ "$(sed -n 5p <<<"$saved")" = "$(windows_name "$work/Chanson é.mid")" ] || fail "the MIDI file was saved as another name"
[ "$(sed -n 17p <<<"$saved")" = 7 ] || fail "the pop-up menu did not transpose by + 2 octaves: $saved"
echo "torem-bridge.exe converts, switches every output off, transposes from its pop-up menu and saves its settings"
