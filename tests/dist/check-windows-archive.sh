#!/usr/bin/env bash
# What a Windows user unpacks: the archive of scripts/package-windows.sh holds
# the window, the programs, the README for Windows users, the licence and the
# manual pages with Windows line ends, and its torem-convert.exe, run under
# wine, converts a MIDI file named outside any ANSI code page into the very
# image that torem-convert built for this machine writes.
#   check-windows-archive.sh ZIP WINE_RUN PREFIX HOST_TOOLS
# HOST_TOOLS is the tools/ folder of a build for this machine
# (torem-convert and torem-example-midi).
set -euo pipefail
zip=$1 wine_run=$2 prefix=$3 host=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$work" && cmake -E tar xf "$zip")
name=$(basename "$zip" .zip)
root=$work/$name
[ -d "$root" ] || fail "$zip does not unpack into $name/"

expected='LICENSE.txt
README.txt
man/torem-convert.txt
man/torem-example-midi.txt
man/torem-live.txt
man/torem-seq.txt
torem-bridge.exe
torem-convert.exe
torem-example-midi.exe
torem-live.exe
torem-seq.exe'
diff -u <(echo "$expected") <(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) ||
    fail "the archive holds other files"
for text in "$root"/*.txt "$root"/man/*.txt; do
    [ -s "$text" ] || fail "$text is empty"
    ! grep -q $'[^\r]$' "$text" || fail "$text has lines without CR LF"
    ! grep -q $'\e\|\b' "$text" || fail "$text holds terminal escapes or overstriking"
done
grep -q 'torem-live --list' "$root/man/torem-live.txt" || fail "the torem-live manual page lacks its synopsis"
# The README speaks to Windows users: Windows paths, no Linux command.
grep -q 'torem-bridge.exe' "$root/README.txt" || fail "README.txt does not name the window's program"
linux=(-e 'build-run' -e 'scripts/' -e 'apt-get' -e 'apt install' -e '/dev/' -e '\.sh\b' -e '~/' -e '/usr/')
! grep -q "${linux[@]}" "$root/README.txt" || fail "README.txt tells Linux commands: $(grep -n "${linux[@]}" "$root/README.txt")"

# Names in UTF-8 on the command line reach wine as the characters they are.
export LC_ALL=C.UTF-8
midi="$work/Ωmega.mid"
"$host/torem-example-midi" "$midi" >/dev/null
"$host/torem-convert" -r 250 "$midi" "$work/linux.seq" >/dev/null
"$wine_run" "$prefix" wine "$root/torem-convert.exe" -r 250 "Z:$midi" "Z:$work/Ωmega ✓.seq" </dev/null >"$work/out" 2>&1 ||
    fail "torem-convert.exe: $(cat "$work/out")"
cmp "$work/linux.seq" "$work/Ωmega ✓.seq" || fail "torem-convert.exe wrote another image"
version=${name#torem-bridge-}
version=${version%-windows-x64}
said=$("$wine_run" "$prefix" wine "$root/torem-live.exe" --version </dev/null | tr -d '\r')
[ "$said" = "torem-live $version" ] || fail "torem-live.exe --version says '$said', not version $version"
echo "$name.zip holds the programs and their texts; torem-convert.exe writes the image torem-convert writes"
