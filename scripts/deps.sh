#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when some
# are missing, so that a second run costs a few dpkg queries.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev
          librtmidi-dev libasound2-dev libgtest-dev libgmock-dev libbenchmark-dev
          xauth fonts-dejavu-core fonts-dejavu-extra clang libclang-rt-14-dev)
# Needed only by the tests and benchmarks (bench/compare-midicsv.sh runs
# midicsv beside torem-convert and measures both with GNU time).
testonly=(midicsv time)
# jackd1 is installed without recommends: jackd2 would replace the JACK library
# that librtmidi links against.
norecommends=(jackd1)

missing() {
    local p
    for p in "$@"; do
        if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
            printf '%s\n' "$p"
        fi
    done
}

need=($(missing "${packages[@]}" "${testonly[@]}"))
need_nr=($(missing "${norecommends[@]}"))
[ ${#need[@]} -eq 0 ] && [ ${#need_nr[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
echo "Installing: ${need[*]} ${need_nr[*]}" >&2
$sudo apt-get update -qq
if [ ${#need[@]} -gt 0 ]; then
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi
if [ ${#need_nr[@]} -gt 0 ]; then
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need_nr[@]}"
fi
