#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the program's start-up on two large caches against its start-up
# on an empty one, in one run, turn about, each start a fresh process: the
# time from starting it to its window being on the screen, to the first rows
# of the All list being drawn, to the lists being filled (the site tree
# shows its sites), and the peak memory (VmHWM) of its process once they are
# filled. The large caches: one made by make_large_cache (kept in
# build/bench-cache-COUNT) and one written by Wine's own WinINet
# (make_wine_cache.sh, kept in build/bench-wine-COUNT). Runs under its own X
# server.
# Usage: bench/startup_vs_empty.sh [COUNT] [RUNS]   (from a build in build/;
# TROVANA=PATH times another build of the program)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
runs=${2:-5}
made="$PWD/build/bench-cache-$count"
empty="$PWD/build/bench-cache-empty"
program=${TROVANA:-build/src/app/trovana}

if [ -z "${DISPLAY:-}" ]; then
    [ -d "$made" ] || build/bench/make_large_cache "$made" "$count"
    bench/make_wine_cache.sh "$count" >/dev/null
    mkdir -p "$empty"
    exec env GDK_BACKEND=x11 NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$count" "$runs"
fi
wine="$PWD/build/bench-wine-$count"

. bench/common.sh
describe_run
echo "entries: made $(build/tools/trovana-cache/trovana-cache --prefix "$made" list | wc -l)," \
    "Wine $(build/tools/trovana-cache/trovana-cache --prefix "$wine" list | wc -l)"
# The page cache warm for every side.
EMPTY=1 start_to_window "$empty" "$program" >/dev/null
start_to_window "$made" "$program" >/dev/null
start_to_window "$wine" "$program" >/dev/null
declare -A times rows fills peaks
for run in $(seq "$runs"); do
    for side in empty made wine; do
        prefix=${!side}
        read -r ms first full mb < <(EMPTY=$([ "$side" = empty ] && echo 1 || echo 0) start_to_window "$prefix" "$program")
        times[$side]+="$ms "
        rows[$side]+="$first "
        fills[$side]+="$full "
        peaks[$side]+="$mb "
    done
done
for side in empty made wine; do
    echo "$side: shown, ms: $(with_median "${times[$side]}")"
    [ "$side" = empty ] && { echo "$side: peak memory, MB: $(with_median "${peaks[$side]}")"; continue; }
    echo "$side: first rows, ms: $(with_median "${rows[$side]}"); filled, ms: $(with_median "${fills[$side]}")"
    echo "$side: peak memory, MB: $(with_median "${peaks[$side]}")"
done
for side in made wine; do
    awk -v r="$(median "${rows[$side]}")" -v s="$(median "${times[$side]}")" -v e="$(median "${times[empty]}")" \
        -v side="$side" 'BEGIN {printf "%s: first rows / empty shown %.2f; shown / empty shown %.2f\n", side, r / e, s / e}'
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
