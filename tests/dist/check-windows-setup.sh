#!/usr/bin/env bash
# What a Windows user installs: the installer of scripts/package-windows.sh,
# run silently under wine, puts the window and the command-line programs with
# their texts in Program Files\TOREM bridge, the "TOREM Bridge" entry in the
# Start menu and its uninstaller in Apps & features; the installed programs
# run, the window with its settings in the user's folder (not beside it, in
# Program Files); the uninstaller, silent too, removes all of it but the
# user's settings. Needs the display of scripts/test-windows.sh.
#   check-windows-setup.sh SETUP_EXE WINE_RUN PREFIX
set -euo pipefail
setup=$1 wine_run=$2 prefix=$3
fail() { echo "FAILED: $*" >&2; exit 1; }
wine() { "$wine_run" "$prefix" wine "$@" </dev/null; }

folder="$prefix/drive_c/Program Files/TOREM bridge"
entry="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TOREM Bridge.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TOREM bridge'
[ ! -e "$folder" ] || fail "$folder is there before the installation"

wine "$setup" /S >/dev/null 2>&1 || fail "the silent installation ended with $?"
expected='LICENSE.txt
README.txt
Uninstall.exe
man/torem-convert.txt
man/torem-example-midi.txt
man/torem-live.txt
man/torem-seq.txt
torem-bridge.exe
torem-convert.exe
torem-example-midi.exe
torem-live.exe
torem-seq.exe'
diff -u <(echo "$expected") <(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) ||
    fail "Program Files\\TOREM bridge holds other files"
[ -f "$entry" ] || fail "no Start menu entry"
uninstall=$(wine reg query "$key" /v QuietUninstallString 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ "$uninstall" = '"C:\Program Files\TOREM bridge\Uninstall.exe" /S' ] ||
    fail "Apps & features has no silent uninstaller: '$uninstall'"
said=$(wine "$folder/torem-convert.exe" --version | tr -d '\r')
[[ $said == "torem-convert "* ]] || fail "the installed torem-convert.exe says '$said'"

# The settings of the installed window, which lives where users may not
# write, are the user's own: it reads "english" there as French, and writes
# French back when Windows ends the session. (Its port is none of this
# machine's.)
appdata=$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
settings=$("$wine_run" "$prefix" winepath -u "$appdata\\TOREM bridge" 2>/dev/null)
mkdir -p "$settings"
printf '%s\r\n' "Settings File of TOREM Midi To TOREM Sequence Bridge" "Language :" "english" "Midi File :" "" \
    "Resolution :" "1000" "Seq File :" "" "Port COM :" "COM99" "Port Midi In :" "" "Mode :" "1" \
    "Transpose Value :" "5" >"$settings/TOREMMidiToSeqBridge.cfg"
"$wine_run" "$prefix" wine "$folder/torem-bridge.exe" </dev/null >/dev/null 2>&1 &
xdotool search --sync --onlyvisible --name '^Midi To TOREM Sequence Bridge$' >/dev/null
"$wine_run" "$prefix" wineboot --end-session </dev/null
wait $! || true
[ "$(sed -n 3p "$settings/TOREMMidiToSeqBridge.cfg" | tr -d '\r')" = French ] ||
    fail "the installed window did not keep its settings in %APPDATA%\\TOREM bridge"
[ ! -e "$folder/TOREMMidiToSeqBridge.cfg" ] || fail "the installed window wrote its settings in Program Files"

# The uninstaller runs a copy of itself from the temporary folder, told
# where to uninstall, and ends at once; the copy is run here, to wait for it.
# Its folder comes last and unquoted, which only cmd's own line passes.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$folder/Uninstall.exe" "$work/Au_.exe"
wine cmd /c "$("$wine_run" "$prefix" winepath -w "$work/Au_.exe") /S _?=C:\Program Files\TOREM bridge" >/dev/null 2>&1 ||
    fail "the silent uninstallation ended with $?"
[ ! -e "$folder" ] || fail "the uninstaller left $(cd "$folder" && find . -type f | tr '\n' ' ')"
[ ! -e "$entry" ] || fail "the uninstaller left the Start menu entry"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstaller left its entry in Apps & features"
[ -f "$settings/TOREMMidiToSeqBridge.cfg" ] || fail "the uninstaller removed the user's settings"
rm -rf "$settings"
echo "$(basename "$setup") installs the programs, the Start menu entry and the uninstaller, which keeps the settings"
