#!/usr/bin/env bash
# Runs the README's test command as a new user would meet it: in a freshly
# bootstrapped Debian 12 (no locales package, no LANG, nothing of ours
# installed), on a clone of this repository's checked-out branch, with an
# empty environment. CI does not run it; it takes a while (the bootstrap,
# every package the tests install, then the tests).
#   scripts/check-fresh-debian.sh [--keep] [DIR]
# DIR (default: a new folder under /var/tmp) must not exist yet; it is
# removed at the end unless --keep is given. Needs root or sudo, and
# installs debootstrap on this machine when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

keep=false
if [ "${1:-}" = --keep ]; then
    keep=true
    shift
fi
root=${1:-}
mirror=${TOREM_DEBIAN_MIRROR:-http://deb.debian.org/debian}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
if [ "$(dpkg-query -W -f='${Status}' debootstrap 2>/dev/null)" != "install ok installed" ]; then
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
fi

if [ -z "$root" ]; then
    root=$(mktemp -d /var/tmp/torem-fresh-debian.XXXXXX)
    rmdir "$root"
fi
if [ -e "$root" ]; then
    echo "$root exists already: give a new folder, so that the system in it is a fresh one" >&2
    exit 2
fi

mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        $sudo umount -l "${mounted[i]}" 2>/dev/null || true
    done
    if ! $keep && [ -d "$root" ]; then
        # Only once nothing is mounted below it: /dev of this machine must
        # never be walked.
        if ! findmnt -rn -o TARGET | grep -q "^$root/"; then
            $sudo rm -rf --one-file-system "$root"
        else
            echo "Something is still mounted below $root; it is left in place." >&2
        fi
    fi
}
trap cleanup EXIT
mount_in() {
    $sudo mkdir -p "$root$2"
    $sudo mount "${@:3}" "$1" "$root$2"
    mounted+=("$root$2")
}

echo "== Bootstrapping Debian 12 in $root"
started=$SECONDS
$sudo debootstrap bookworm "$root" "$mirror" >"${TMPDIR:-/tmp}/torem-debootstrap.log" 2>&1 || {
    tail -n 20 "${TMPDIR:-/tmp}/torem-debootstrap.log" >&2
    exit 1
}
bootstrap_time=$((SECONDS - started))
# The network as this machine has it (a mirror may be named in its hosts).
$sudo cp /etc/resolv.conf /etc/hosts "$root/etc/"

echo "== A clone of $(git rev-parse --abbrev-ref HEAD) ($(git rev-parse --short HEAD))"
$sudo git clone -q --no-hardlinks . "$root/root/torem-bridge"

# What the tests need of a running system: processes, pseudo-terminals for
# the device simulator, shared memory for the JACK server.
mount_in proc /proc -t proc
mount_in sysfs /sys -t sysfs
mount_in /dev /dev --bind
mount_in /dev/pts /dev/pts --bind
mount_in tmpfs /dev/shm -t tmpfs

echo "== scripts/test.sh inside, with an empty environment"
started=$SECONDS
status=0
$sudo chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c 'cd /root/torem-bridge && scripts/test.sh' || status=$?
test_time=$((SECONDS - started))

echo "== Bootstrap: ${bootstrap_time} s; the README's test command: ${test_time} s; exit status ${status}"
exit $status
