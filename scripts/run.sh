#!/usr/bin/env bash
# Builds the programs alone (no tests, benchmarks or fuzz targets) in
# build-run/ and starts the window. Without a display it says so and shows
# the converter at work on a demonstration file instead. Installs the
# missing Debian packages that building and running need, and no others.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTOREM_BUILD_TESTS=OFF -DTOREM_BUILD_BENCH=OFF -DTOREM_BUILD_FUZZ=OFF -DTOREM_SANITIZE= >/dev/null
cmake --build build-run

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build-run/app/qt/torem-bridge
fi

echo
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): the window of"
echo "build-run/app/qt/torem-bridge cannot be shown here. Converting a demonstration"
echo "MIDI file with the command-line converter instead:"
echo
mkdir -p build-run/example
build-run/tools/torem-example-midi --force build-run/example/demo.mid
build-run/tools/torem-convert --force build-run/example/demo.mid build-run/example/demo.seq
