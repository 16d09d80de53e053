#!/usr/bin/env bash
# Cross-builds the Windows programs, the window and their tests with
# mingw-w64 into build-windows/ and runs the tests under wine, in a wine
# prefix of the build's own, on a display of its own (Xvfb and openbox) for
# the window; then makes the Windows archive and the installer from those
# programs and tries what they hold. Installs the missing Debian packages
# first, and never removes one. scripts/test.sh runs it after the Linux tests.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows

# Run alone as from scripts/test.sh: whatever the caller's locale (wine-run.sh
# gives wine the same).
unset LANGUAGE
export LANG=C.UTF-8 LC_ALL=C.UTF-8

started=$SECONDS
# Each step with the time spent so far: the CI's budget is the whole README
# test command's.
step() { echo "== $1 ($((SECONDS - started)) s so far)"; }
build=$PWD/build-windows
toolchain=$PWD/cmake/toolchains/x86_64-w64-mingw32.cmake
wine_run=$PWD/cmake/toolchains/wine-run.sh
prefix=$build/wineprefix
jobs=$(nproc)

step "GoogleTest for Windows"
gtest=$build/googletest
cmake -S /usr/src/googletest -B "$gtest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest/install" >/dev/null
cmake --build "$gtest"
cmake --install "$gtest" >/dev/null

step "For this machine: the window's pictures, torem-devsim behind the COM ports, torem-convert to compare with"
host=$(scripts/host-tools.sh "$build/host")

step "Build for Windows"
# A release build: without debugging information, the static test programs
# link sooner, and the archive takes its programs from this build.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DTOREM_BUILD_GUI=OFF -DTOREM_BUILD_BENCH=OFF \
      -DTOREM_WITH_RTMIDI=OFF -DGTest_DIR="$gtest/install/lib/cmake/GTest" \
      -DTOREM_HOST_BUILD="$host" >/dev/null
cmake --build "$build"

step "Tests under wine"
# One wine session for every test, kept until the end: each program then
# starts in a fraction of a second. Its services start here, so that none of
# them holds on to the output of a test.
if [ ! -d "$prefix" ]; then
    "$wine_run" "$prefix" wineboot --init </dev/null >"$build/wineboot.log" 2>&1
fi
"$wine_run" "$prefix" wineserver -k 2>/dev/null || true
# The window's tests need a display, and keys reach a window only through a
# window manager: the session's programs all see it.
x_state=$build/x-session
trap '"$wine_run" "$prefix" wineserver -k || true; tests/support/x-session.sh stop "$x_state"' EXIT
DISPLAY=$(tests/support/x-session.sh start "$x_state")
export DISPLAY
"$wine_run" "$prefix" wineserver -p </dev/null >/dev/null 2>&1
"$wine_run" "$prefix" wineboot </dev/null >>"$build/wineboot.log" 2>&1
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300

step "The Windows archive and installer"
scripts/package-windows.sh "$build" >"$build/package.log"
archive=$(sed -n 's/^archive: //p' "$build/package.log")
setup=$(sed -n 's/^installer: //p' "$build/package.log")
tests/dist/check-windows-archive.sh "$archive" "$wine_run" "$prefix" "$host/tools"
tests/dist/check-windows-setup.sh "$setup" "$wine_run" "$prefix"

echo "== Windows tests passed ($((SECONDS - started)) s)"
