#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests with mingw-w64 into
# build-windows/ and runs the tests under wine, in a wine prefix of the
# build's own; then makes the Windows archive from those programs and tries
# what it holds. Installs the missing Debian packages first, and never
# removes one. scripts/test.sh runs it after the Linux tests.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows

# Run alone as from scripts/test.sh: whatever the caller's locale (wine-run.sh
# gives wine the same).
unset LANGUAGE
export LANG=C.UTF-8 LC_ALL=C.UTF-8

started=$SECONDS
build=$PWD/build-windows
toolchain=$PWD/cmake/toolchains/x86_64-w64-mingw32.cmake
wine_run=$PWD/cmake/toolchains/wine-run.sh
prefix=$build/wineprefix
jobs=$(nproc)

echo "== GoogleTest for Windows"
gtest=$build/googletest
cmake -S /usr/src/googletest -B "$gtest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest/install" >/dev/null
cmake --build "$gtest"
cmake --install "$gtest" >/dev/null

echo "== torem-devsim for this machine, the device behind the COM ports under wine; torem-convert to compare with"
if [ -f build/CMakeCache.txt ]; then
    host=$PWD/build  # the Linux tests' build
else
    host=$build/host
    cmake -S . -B "$host" -G Ninja -DTOREM_BUILD_GUI=OFF -DTOREM_BUILD_TESTS=OFF -DTOREM_BUILD_BENCH=OFF \
          -DTOREM_WITH_RTMIDI=OFF >/dev/null
fi
cmake --build "$host" --target torem-devsim torem-convert torem-example-midi

echo "== Build for Windows"
# A release build: without debugging information, the static test programs
# link sooner, and the archive takes its programs from this build.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DTOREM_BUILD_GUI=OFF -DTOREM_BUILD_BENCH=OFF \
      -DTOREM_WITH_RTMIDI=OFF -DGTest_DIR="$gtest/install/lib/cmake/GTest" \
      -DTOREM_HOST_DEVSIM="$host/tools/torem-devsim" >/dev/null
cmake --build "$build"

echo "== Tests under wine"
# One wine session for every test, kept until the end: each program then
# starts in a fraction of a second. Its services start here, so that none of
# them holds on to the output of a test.
if [ ! -d "$prefix" ]; then
    "$wine_run" "$prefix" wineboot --init </dev/null >"$build/wineboot.log" 2>&1
fi
"$wine_run" "$prefix" wineserver -k 2>/dev/null || true
"$wine_run" "$prefix" wineserver -p </dev/null >/dev/null 2>&1
trap '"$wine_run" "$prefix" wineserver -k || true' EXIT
"$wine_run" "$prefix" wineboot </dev/null >>"$build/wineboot.log" 2>&1
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300

echo "== The Windows archive"
archive=$(scripts/package-windows.sh "$build" | tail -n 1)
tests/dist/check-windows-archive.sh "$archive" "$wine_run" "$prefix" "$host/tools"

echo "== Windows tests passed ($((SECONDS - started)) s)"
