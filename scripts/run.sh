#!/usr/bin/env bash
# Builds the tool and starts its window. Without a display it says so and
# shows the converter at work on a demonstration file instead. Installs
# missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/app/qt/torem-bridge
fi

echo
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): the window of"
echo "build/app/qt/torem-bridge cannot be shown here. Converting a demonstration"
echo "MIDI file with the command-line converter instead:"
echo
mkdir -p build/example
build/tools/torem-example-midi build/example/demo.mid
build/tools/torem-convert --force build/example/demo.mid build/example/demo.seq
