#!/usr/bin/env bash
# Installs the Debian packages a command needs, only those that are missing,
# so that a second run costs a few dpkg queries and installs nothing:
#   scripts/deps.sh run       building and running the programs
#   scripts/deps.sh test      the tests as well (GoogleTest, Google Benchmark,
#                             clang for the fuzz targets, a JACK server, the
#                             validators of the menu entry and the metainfo, man)
#                             (and midicsv and GNU time, which
#                             bench/compare-midicsv.sh measures against)
#   scripts/deps.sh package   building the Debian package as well
#   scripts/deps.sh windows   cross-building the Windows programs and running
#                             their tests under wine (scripts/test-windows.sh),
#                             and their archive and installer
#                             (scripts/package-windows.sh)
#   scripts/deps.sh windows-pictures
#                             the pictures of the Windows window in docs/
#                             (scripts/windows-screenshots.sh)
# It never removes a package: apt's plan is simulated first, and a plan that
# would remove anything is refused.
set -euo pipefail

purpose=${1:-run}

run=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev librtmidi-dev libasound2-dev fonts-dejavu-core)
package=(dpkg-dev file)
test=(libgtest-dev libgmock-dev libbenchmark-dev xauth fonts-dejavu-extra clang libclang-rt-14-dev
      desktop-file-utils appstream man-db midicsv time "${package[@]}")
# The Windows programs: mingw-w64 with POSIX threads, GoogleTest's sources to
# build for Windows, groff to turn the manual pages into text for the
# archive, Qt for the build machine to draw the window's pictures with,
# icoutils for its icon, NSIS for the installer; wine, without the desktop
# integration and fonts it recommends, on a display of the tests' own (Xvfb
# and openbox, xprop to see openbox ready, xdotool to type and click).
windows=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix googletest groff-base qt6-base-dev qt6-svg-dev
         fonts-dejavu-core icoutils)
windows_no_recommends=(wine wine64 nsis xvfb xauth x11-utils openbox xdotool)

installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

wanted=("${run[@]}")
no_recommends=()
case $purpose in
run) ;;
package) wanted+=("${package[@]}") ;;
test) wanted+=("${test[@]}") ;;
windows) wanted=("${windows[@]}"); no_recommends+=("${windows_no_recommends[@]}") ;;
windows-pictures) wanted=("${windows[@]}"); no_recommends+=("${windows_no_recommends[@]}" imagemagick) ;;
*) echo "usage: $0 run|test|package|windows|windows-pictures" >&2; exit 2 ;;
esac

# RtMidi builds against either JACK library. Where JACK 2's is installed, its
# development files are asked for by name: apt's first choice, JACK 1's,
# would replace it.
if [ "${purpose#windows}" = "$purpose" ] && installed libjack-jackd2-0; then
    wanted+=(libjack-jackd2-dev)
fi

# The tests play into a JACK server: the one installed, whichever it is,
# otherwise the one that goes with the JACK library installed.
if [ "$purpose" = test ] && ! installed jackd1 && ! installed jackd2; then
    if installed libjack-jackd2-0; then
        no_recommends+=(jackd2)
    else
        no_recommends+=(jackd1)
    fi
fi

missing() {
    local p
    for p in "$@"; do
        installed "$p" || printf '%s\n' "$p"
    done
}
need=($(missing "${wanted[@]}"))
need_nr=($(missing "${no_recommends[@]}"))
[ ${#need[@]} -eq 0 ] && [ ${#need_nr[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
apt_install() {
    local plan removals
    plan=$(apt-get -s install "$@")
    removals=$(printf '%s\n' "$plan" | sed -n 's/^Remv \([^ ]*\).*/\1/p')
    if [ -n "$removals" ]; then
        echo "Installing $* would remove: $(echo $removals). Nothing was installed;" >&2
        echo "install the packages above by hand in a way that keeps what you have." >&2
        exit 1
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@"
}

echo "Installing: ${need[*]} ${need_nr[*]}" >&2
$sudo apt-get update -qq
if [ ${#need[@]} -gt 0 ]; then
    apt_install "${need[@]}"
fi
if [ ${#need_nr[@]} -gt 0 ]; then
    apt_install --no-install-recommends "${need_nr[@]}"
fi
