#!/usr/bin/env bash
# Builds the project and runs every test: the unit and integration tests,
# the concurrent parts again under ThreadSanitizer, the fuzz targets for a
# few seconds each, and the Windows programs cross-built and tested under
# wine (scripts/test-windows.sh). Installs the missing Debian packages of the
# tests first, and never removes one.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test

# The same run whatever the caller's locale: messages, sorting and file
# names as C.UTF-8, which every Debian system has, gives them.
unset LANGUAGE
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# Qt runs without a display; give it a private runtime directory.
export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d /tmp/torem-xdg.XXXXXX)
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

jobs=$(nproc)

echo "== Build and run the tests"
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

echo "== Concurrency tests under ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOREM_SANITIZE=thread \
      -DTOREM_BUILD_GUI=OFF -DTOREM_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan
ctest --test-dir build-tsan -L threads --output-on-failure -j "$jobs" --timeout 300 --no-tests=ignore

echo "== Fuzz targets (AddressSanitizer, a few seconds each)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
      -DTOREM_BUILD_FUZZ=ON -DTOREM_SANITIZE=address,undefined -DTOREM_BUILD_TESTS=OFF -DTOREM_BUILD_GUI=OFF \
      -DTOREM_BUILD_BENCH=OFF -DTOREM_WITH_RTMIDI=OFF >/dev/null
cmake --build build-fuzz
ctest --test-dir build-fuzz -L fuzz --output-on-failure --timeout 120 --no-tests=ignore

echo "== Windows programs, cross-built and tested under wine"
scripts/test-windows.sh

echo "== All tests passed"
