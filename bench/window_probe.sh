#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How long a click on the Documents and Images tabs, a sort of the Images
# and of the All list, a search and Delete All's first answer block the window, on the Wine-written
# cache (make_wine_cache.sh) against an empty cache, with medians of RUNS.
# With BASE set to the build folder of another version of the program, whose
# bench/window_probe.cpp was built there, the two are run in turn in one run,
# so that the machine's load falls on both alike.
# Usage: bench/window_probe.sh [COUNT] [RUNS]   (from a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
runs=${2:-3}
prefix=$(bench/make_wine_cache.sh "$count")
. bench/common.sh
describe_run
echo "entries: $(build/tools/trovana-cache/trovana-cache --prefix "$prefix" list | wc -l)"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for run in $(seq "$runs"); do
    for build in ${BASE:+"$BASE"} build; do
        GDK_BACKEND=x11 NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/window_probe" "$prefix" 1 |
            sed "s|^|$build |" | tee -a "$out"
    done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
# The medians of each build and action, in ms.
for build in ${BASE:+"$BASE"} build; do
    for action in "documents tab" "images tab" "images gallery" "images sort" "all sort" "search" "delete all answer"; do
        for side in empty large; do
            values=$(grep "^$build $side $action " "$out" | awk '{print $(NF)}' | tr '\n' ' ')
            printf '%-40s %-8s %-18s median %9s ms  (%s)\n' "$build" "$side" "$action" "$(median "$values")" "$values"
        done
    done
done
