#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the program's start-up on a large cache against its start-up on
# an empty one, in one run, turn about, each start a fresh process: the time
# from starting it to its window being on the screen, and the peak memory
# (VmHWM) of its process once its lists are filled. Runs under its own X server; the
# large cache is made once and kept in build/bench-cache-COUNT.
# Usage: bench/startup_vs_empty.sh [COUNT] [RUNS]   (from a build in build/;
# TROVANA=PATH times another build of the program)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
runs=${2:-5}
large="$PWD/build/bench-cache-$count"
empty="$PWD/build/bench-cache-empty"
program=${TROVANA:-build/src/app/trovana}

if [ -z "${DISPLAY:-}" ]; then
    [ -d "$large" ] || build/bench/make_large_cache "$large" "$count"
    mkdir -p "$empty"
    exec env GDK_BACKEND=x11 NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$count" "$runs"
fi

. bench/common.sh
describe_run
start_to_window "$empty" "$program" >/dev/null  # the page cache warm for both sides
start_to_window "$large" "$program" >/dev/null
declare -A times fills peaks
for run in $(seq "$runs"); do
    for side in empty large; do
        prefix=$empty
        [ "$side" = large ] && prefix=$large
        read -r ms full mb < <(start_to_window "$prefix" "$program")
        times[$side]+="$ms "
        fills[$side]+="$full "
        peaks[$side]+="$mb "
    done
done
for side in empty large; do
    echo "$side: start to window shown, ms: $(with_median "${times[$side]}")"
    echo "$side: start to lists filled, ms: $(with_median "${fills[$side]}"); peak memory, MB: $(with_median "${peaks[$side]}")"
done
awk -v l="$(median "${times[large]}")" -v e="$(median "${times[empty]}")" \
    'BEGIN {printf "large / empty: %.2f\n", l / e}'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
