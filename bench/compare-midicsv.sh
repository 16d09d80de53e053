#!/usr/bin/env bash
# Converts the dense benchmark file (1.5 million notes on 16 tracks within
# one minute, whose image the device still holds) with torem-convert and
# reads it with midicsv, run after run in alternating order, and prints the
# median wall times, their ratio and both peak memories. Whole processes are
# timed: start-up, reading, conversion, output (midicsv's to /dev/null).
#
# Usage: bench/compare-midicsv.sh [BUILD_DIR [RUNS]]   (defaults: build, 11)
# Needs the packages midicsv and time (scripts/deps.sh installs them).
# Exits with 1 when torem-convert is not at least 4 times as fast as midicsv
# or peaks above 64 MB.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
runs=${2:-11}
convert="$build/tools/torem-convert"
generate="$build/bench/torem_dense_midi"
for program in "$convert" "$generate"; do
    [ -x "$program" ] || { echo "compare-midicsv: $program is missing; build first" >&2; exit 2; }
done
for program in midicsv /usr/bin/time; do
    command -v "$program" >/dev/null || { echo "compare-midicsv: $program is missing (scripts/deps.sh)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/torem-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$generate" "$work/dense.mid"
echo "dense file: $(stat -c %s "$work/dense.mid") bytes"

# One run: wall time in microseconds, then peak resident memory in KiB.
measure() {
    local name=$1
    shift
    local start=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$work/$name.rss" "$@" >/dev/null
    local end=$EPOCHREALTIME
    echo "$(( (${end/./} - ${start/./}) )) $(cat "$work/$name.rss")" >>"$work/$name.runs"
}

for ((run = 1; run <= runs; ++run)); do
    if ((run % 2)); then
        measure torem "$convert" --force "$work/dense.mid" "$work/dense.seq"
        measure midicsv midicsv "$work/dense.mid"
    else
        measure midicsv midicsv "$work/dense.mid"
        measure torem "$convert" --force "$work/dense.mid" "$work/dense.seq"
    fi
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
tormedian=$(cut -d' ' -f1 "$work/torem.runs" | median)
csvmedian=$(cut -d' ' -f1 "$work/midicsv.runs" | median)
torpeak=$(cut -d' ' -f2 "$work/torem.runs" | sort -n | tail -1)
csvpeak=$(cut -d' ' -f2 "$work/midicsv.runs" | sort -n | tail -1)

awk -v t="$tormedian" -v m="$csvmedian" -v tp="$torpeak" -v mp="$csvpeak" -v runs="$runs" 'BEGIN {
    ratio = m / t
    printf "%d runs each, medians of wall time\n", runs
    printf "torem-convert: %7.1f ms, peak %6.1f MB\n", t / 1000, tp / 1024
    printf "midicsv:       %7.1f ms, peak %6.1f MB\n", m / 1000, mp / 1024
    printf "torem-convert is %.2f times as fast as midicsv (target: 4, at most 64 MB)\n", ratio
    exit !(ratio >= 4 && tp / 1024 <= 64)
}'
