#!/usr/bin/env bash
# Makes the README's pictures of the Windows window, docs/window-windows-en.png
# and docs/window-windows-fr.png: torem-bridge.exe under wine, on a display of
# its own (Xvfb and openbox), started as the tests start it (beside a settings
# file naming COM12, which torem-devsim answers) and switched to French by
# keystrokes. Installs the missing Debian packages first (ImageMagick takes
# the pictures), and never removes one.
#   scripts/windows-screenshots.sh [BUILD_DIR]
# BUILD_DIR is a build of scripts/test-windows.sh (build-windows/ by default).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows-pictures

build=$(cd "${1:-build-windows}" && pwd)
wine_run=$PWD/cmake/toolchains/wine-run.sh
prefix=$build/wineprefix
host=$(scripts/host-tools.sh "$build/host")
cmake --build "$build" --target torem-bridge >&2
work=$(mktemp -d)
finish() {
    "$wine_run" "$prefix" wineserver -k 2>/dev/null || true
    tests/support/wine-com-ports.sh stop "$work/ports"
    tests/support/x-session.sh stop "$work/x"
    rm -rf "$work"
}
trap finish EXIT

DISPLAY=$(tests/support/x-session.sh start "$work/x")
export DISPLAY LC_ALL=C.UTF-8
[ -d "$prefix" ] || "$wine_run" "$prefix" wineboot --init </dev/null >/dev/null 2>&1
tests/support/wine-com-ports.sh start "$work/ports" "$host/tools/torem-devsim" "$wine_run" "$prefix"

mkdir "$work/program"
cp "$build/app/win32/torem-bridge.exe" "$work/program/"
printf '%s\r\n' "Settings File of TOREM Midi To TOREM Sequence Bridge" "Language :" "English" "Midi File :" "" \
    "Resolution :" "1000" "Seq File :" "" "Port COM :" "COM12" "Port Midi In :" "" "Mode :" "1" \
    "Transpose Value :" "5" >"$work/program/TOREMMidiToSeqBridge.cfg"
"$wine_run" "$prefix" wine "$work/program/torem-bridge.exe" </dev/null >/dev/null 2>&1 &
form=$(xdotool search --sync --onlyvisible --name '^Midi To TOREM Sequence Bridge$' | head -n 1)
until [ "$(xdotool getactivewindow 2>/dev/null)" = "$form" ]; do
    xdotool windowactivate "$form" 2>/dev/null || true
    sleep 0.2
done
# The window, its title bar included, once wine has drawn it.
picture() {
    sleep 1
    import -frame -window "$form" "$1"
    echo "$1"
}
picture docs/window-windows-en.png
xdotool key --clearmodifiers --delay 100 alt+l f
picture docs/window-windows-fr.png
xdotool key --clearmodifiers alt+F4
