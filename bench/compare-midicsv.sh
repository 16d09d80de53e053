#!/usr/bin/env bash
# Converts two dense benchmark files of 1.5 million notes within one minute,
# whose images the device still holds, with torem-convert and reads them with
# midicsv, run after run in alternating order, and prints for each the median
# wall times, their ratio and both peak memories. Whole processes are timed:
# start-up, reading, conversion, output (midicsv's to /dev/null).
#
#   tracks       16 tracks of one channel each, running status throughout
#   one track    one track where the notes of channels 1 and 2 take turns at
#                random, so that running status holds for half the events
#
# Every note is on channel 1 or 2 and written with a velocity-0 note-off, so
# that every note counts.
#
# Usage: bench/compare-midicsv.sh [BUILD_DIR [RUNS]]   (defaults: build, 11)
# Needs the packages midicsv and time (scripts/deps.sh installs them).
# Exits with 1 unless torem-convert is at least 4 times as fast as midicsv
# and peaks at 32 MB at most, on each file.
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

# One run: wall time in microseconds, then peak resident memory in KiB.
measure() {
    local name=$1
    shift
    local start=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$work/$name.rss" "$@" >/dev/null
    local end=$EPOCHREALTIME
    echo "$(( (${end/./} - ${start/./}) )) $(cat "$work/$name.rss")" >>"$work/$name.runs"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Compares on one file; returns 1 when it misses the targets.
compare() {
    local shape=$1 file=$2
    rm -f "$work"/*.runs
    echo "$shape: $(stat -c %s "$file") bytes"
    for ((run = 1; run <= runs; ++run)); do
        if ((run % 2)); then
            measure torem "$convert" --force "$file" "$work/dense.seq"
            measure midicsv midicsv "$file"
        else
            measure midicsv midicsv "$file"
            measure torem "$convert" --force "$file" "$work/dense.seq"
        fi
    done
    local tormedian csvmedian torpeak csvpeak
    tormedian=$(cut -d' ' -f1 "$work/torem.runs" | median)
    csvmedian=$(cut -d' ' -f1 "$work/midicsv.runs" | median)
    torpeak=$(cut -d' ' -f2 "$work/torem.runs" | sort -n | tail -1)
    csvpeak=$(cut -d' ' -f2 "$work/midicsv.runs" | sort -n | tail -1)
    awk -v t="$tormedian" -v m="$csvmedian" -v tp="$torpeak" -v mp="$csvpeak" -v runs="$runs" 'BEGIN {
        ratio = m / t
        printf "  %d runs each, medians of wall time\n", runs
        printf "  torem-convert: %7.1f ms, peak %6.1f MB\n", t / 1000, tp / 1024
        printf "  midicsv:       %7.1f ms, peak %6.1f MB\n", m / 1000, mp / 1024
        printf "  torem-convert is %.2f times as fast as midicsv (target: 4, at most 32 MB)\n", ratio
        exit !(ratio >= 4 && tp / 1024 <= 32)
    }'
}

"$generate" "$work/tracks.mid"
"$generate" --one-track "$work/one-track.mid"
status=0
compare "tracks" "$work/tracks.mid" || status=1
compare "one track" "$work/one-track.mid" || status=1
exit $status
