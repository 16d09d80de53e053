#!/usr/bin/env bash
# Builds, for this machine, the programs that the Windows build and its
# tests run here: torem-artwork and torem-icon-png (the window's pictures and
# icon, drawn at build time with Qt), torem-devsim (the device behind the COM
# ports under wine), torem-convert and torem-example-midi (to compare the
# Windows programs' images with). Uses build/, the Linux tests' build, when
# it is there, otherwise the folder given; prints the build folder it used.
#   scripts/host-tools.sh FALLBACK_BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."

fallback=${1:?a build folder for this machine}
if [ -f build/CMakeCache.txt ] && grep -q '^TOREM_BUILD_GUI:BOOL=ON' build/CMakeCache.txt; then
    host=$PWD/build
else
    host=$fallback
    cmake -S . -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOREM_BUILD_TESTS=OFF -DTOREM_BUILD_BENCH=OFF \
          -DTOREM_WITH_RTMIDI=OFF >/dev/null
fi
cmake --build "$host" --target torem-artwork torem-icon-png torem-devsim torem-convert torem-example-midi >&2
echo "$host"
