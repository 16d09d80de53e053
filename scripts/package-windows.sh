#!/usr/bin/env bash
# Makes the Windows archive torem-bridge-<version>-windows-x64.zip: the
# command-line programs cross-built with mingw-w64 (torem-convert.exe,
# torem-seq.exe, torem-example-midi.exe, torem-live.exe), the README, the
# licence and their manual pages as text, all with Windows line ends.
# Installs the missing Debian packages first, and never removes one.
#   scripts/package-windows.sh [BUILD_DIR]
# builds the programs in BUILD_DIR (build-windows-package/ by default, a
# release build of the programs alone; scripts/test-windows.sh passes its own)
# and leaves the archive there.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows

build=${1:-build-windows-package}
programs=(torem-convert torem-seq torem-example-midi torem-live)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/x86_64-w64-mingw32.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DTOREM_BUILD_GUI=OFF -DTOREM_BUILD_TESTS=OFF -DTOREM_BUILD_BENCH=OFF \
          -DTOREM_WITH_RTMIDI=OFF >/dev/null
fi
cmake --build "$build" --target "${programs[@]}"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=torem-bridge-$version-windows-x64
stage=$build/package/$name
rm -rf "$build/package"
mkdir -p "$stage/man"

for program in "${programs[@]}"; do
    x86_64-w64-mingw32-strip -o "$stage/$program.exe" "$build/tools/$program.exe"
    # Plain text: no bold or underlining by overstriking, no terminal escapes,
    # no words hyphenated.
    groff -rHY=0 -t -man -Tutf8 -P-cbou "dist/man/$program.1" >"$stage/man/$program.txt"
done
cp README.md "$stage/README.txt"
cp LICENSE "$stage/LICENSE.txt"
# Notepad before Windows 10 shows LF line ends as one long line.
for text in "$stage"/*.txt "$stage"/man/*.txt; do
    sed -i 's/\r*$/\r/' "$text"
done

archive=$build/$name.zip
rm -f "$archive"
(cd "$build/package" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "$archive"
