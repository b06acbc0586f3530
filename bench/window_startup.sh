#!/usr/bin/env bash
# Measures the program's start-up on a large cache: the time from starting it
# to its window being on the screen, to its lists being filled, and the peak
# memory of its process then. Runs under its own X server; the cache is made once and kept
# in build/bench-cache-COUNT.
# Usage: bench/window_startup.sh [COUNT]   (from a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
prefix="$PWD/build/bench-cache-$count"

if [ -z "${DISPLAY:-}" ]; then
    [ -d "$prefix" ] || build/bench/make_large_cache "$prefix" "$count"
    exec env GDK_BACKEND=x11 NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$count"
fi

. bench/common.sh
for run in 1 2 3; do
    read -r ms full mb < <(start_to_window "$prefix" build/src/app/trovana)
    echo "run $run: start to window shown $ms ms, to lists filled $full ms, peak memory $mb MB"
done
