#!/usr/bin/env bash
# Makes the Windows archive torem-bridge-<version>-windows-x64.zip (a
# portable copy: unpack it anywhere) and the installer
# torem-bridge-<version>-windows-x64-setup.exe, both holding the window
# (torem-bridge.exe) and the command-line programs cross-built with
# mingw-w64 (torem-convert.exe, torem-seq.exe, torem-example-midi.exe,
# torem-live.exe), the README for Windows users, the licence and the manual
# pages as text, all texts with Windows line ends. Installs the missing
# Debian packages first, and never removes one.
#   scripts/package-windows.sh [BUILD_DIR]
# builds the programs in BUILD_DIR (build-windows-package/ by default, a
# release build of the programs alone; scripts/test-windows.sh passes its own)
# and leaves both there; its last lines are "archive: PATH" and
# "installer: PATH".
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows

build=${1:-build-windows-package}
programs=(torem-bridge torem-convert torem-seq torem-example-midi torem-live)
manuals=(torem-convert torem-seq torem-example-midi torem-live)

if [ ! -f "$build/CMakeCache.txt" ]; then
    host=$(scripts/host-tools.sh "$build/host")
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/x86_64-w64-mingw32.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DTOREM_BUILD_GUI=OFF -DTOREM_BUILD_TESTS=OFF -DTOREM_BUILD_BENCH=OFF \
          -DTOREM_WITH_RTMIDI=OFF -DTOREM_HOST_BUILD="$host" >/dev/null
fi
cmake --build "$build" --target "${programs[@]}" >&2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=torem-bridge-$version-windows-x64
stage=$build/package/$name
rm -rf "$build/package"
mkdir -p "$stage/man"

x86_64-w64-mingw32-strip -o "$stage/torem-bridge.exe" "$build/app/win32/torem-bridge.exe"
for program in "${programs[@]:1}"; do
    x86_64-w64-mingw32-strip -o "$stage/$program.exe" "$build/tools/$program.exe"
done
for program in "${manuals[@]}"; do
    # Plain text: no bold or underlining by overstriking, no terminal escapes,
    # no words hyphenated.
    groff -rHY=0 -t -man -Tutf8 -P-cbou "dist/man/$program.1" >"$stage/man/$program.txt"
done
cp dist/windows/README.txt "$stage/README.txt"
cp LICENSE "$stage/LICENSE.txt"
# Notepad before Windows 10 shows LF line ends as one long line.
for text in "$stage"/*.txt "$stage"/man/*.txt; do
    sed -i 's/\r*$/\r/' "$text"
done

archive=$build/$name.zip
rm -f "$archive"
(cd "$build/package" && cmake -E tar cf "../$name.zip" --format=zip "$name")

# The installer installs what the archive holds, and its uninstaller removes
# exactly that.
setup=$build/$name-setup.exe
(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$build/package/files"
{
    while read -r file; do
        folder=$(dirname "$file")
        if [ "$folder" = . ]; then
            echo 'SetOutPath "$INSTDIR"'
        else
            echo "SetOutPath \"\$INSTDIR\\${folder//\//\\}\""
        fi
        echo "File \"$stage/$file\""
    done <"$build/package/files"
} >"$build/package/install.nsh"
{
    while read -r file; do
        echo "Delete \"\$INSTDIR\\${file//\//\\}\""
    done <"$build/package/files"
    echo 'RMDir "$INSTDIR\man"'
} >"$build/package/uninstall.nsh"
makensis -V2 -DVERSION="$version" -DOUTFILE="$setup" -DINSTALL_FILES="$build/package/install.nsh" \
         -DUNINSTALL_FILES="$build/package/uninstall.nsh" -DLICENSE_FILE="$stage/LICENSE.txt" \
         -DICON_FILE="$build/app/win32/artwork/torem-bridge.ico" dist/windows/torem-bridge.nsi >&2

echo "archive: $archive"
echo "installer: $setup"
