#!/usr/bin/env bash
# Measures the program's start-up on a large cache: the time from starting it
# to its window being on the screen, and the peak memory of its process at
# that moment. Runs under its own X server; the cache is made once and kept
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

for run in 1 2 3; do
    start=$(date +%s%N)
    WINEPREFIX="$prefix" build/src/app/trovana &
    pid=$!
    window=""
    while [ -z "$window" ]; do
        window=$(xdotool search --onlyvisible --name '^Trovana 1\.10$' 2>/dev/null | head -n 1 || true)
        kill -0 "$pid" 2>/dev/null || { echo "the program ended" >&2; exit 1; }
        [ -n "$window" ] || sleep 0.02
    done
    end=$(date +%s%N)
    echo "run $run: start to window shown $(( (end - start) / 1000000 )) ms," \
         "peak memory $(awk '/VmHWM/ {print int($2 / 1024) " MB"}' "/proc/$pid/status")," \
         "now $(awk '/VmRSS/ {print int($2 / 1024) " MB"}' "/proc/$pid/status")"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done
