#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the program's start-up on a large cache: the time from starting it
# to its window being on the screen, and the peak memory of its process at
# that moment; then the switch to the same cache from a small one in the
# running window (File > Recent Caches), up to its name in the title. Runs
# under its own X server with a home of its own; the caches are made once
# and kept in build/bench-cache-COUNT and build/bench-cache-small.
# Usage: bench/window_startup.sh [COUNT]   (from a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
prefix="$PWD/build/bench-cache-$count"
small="$PWD/build/bench-cache-small"

if [ -z "${DISPLAY:-}" ]; then
    [ -d "$prefix" ] || build/bench/make_large_cache "$prefix" "$count"
    [ -d "$small" ] || build/bench/make_large_cache "$small" 100
    # A path is taken for a Wine prefix by its registry file, as Wine makes one.
    for p in "$prefix" "$small"; do
        [ -f "$p/system.reg" ] || echo "WINE REGISTRY Version 2" > "$p/system.reg"
    done
    home=$(mktemp -d)
    trap 'rm -rf "$home"' EXIT
    HOME="$home" env GDK_BACKEND=x11 NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$count"
    exit
fi

# Prints the id of the visible window whose title matches, once there is one.
wait_title() {  # PATTERN PID
    local window=""
    while [ -z "$window" ]; do
        window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        kill -0 "$2" 2>/dev/null || { echo "the program ended" >&2; exit 1; }
        [ -n "$window" ] || sleep 0.02
    done
    echo "$window"
}

# The peak and present memory of a process.
memory() {  # PID
    echo "peak memory $(awk '/VmHWM/ {print int($2 / 1024) " MB"}' "/proc/$1/status")," \
         "now $(awk '/VmRSS/ {print int($2 / 1024) " MB"}' "/proc/$1/status")"
}

for run in 1 2 3; do
    start=$(date +%s%N)
    build/src/app/trovana "$prefix" &
    pid=$!
    wait_title '^Trovana [0-9]+\.[0-9]+ - ' "$pid" >/dev/null
    end=$(date +%s%N)
    echo "run $run: start to window shown $(( (end - start) / 1000000 )) ms," \
         "$(memory "$pid")"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done

# The large cache is second in the recent caches once the small one is open.
for run in 1 2 3; do
    build/src/app/trovana "$small" &
    pid=$!
    window=$(wait_title '^Trovana [0-9]+\.[0-9]+ - bench-cache-small$' "$pid")
    xdotool mousemove --window "$window" 200 200
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 1
    xdotool key alt+f
    sleep 0.5
    xdotool key r
    sleep 0.5
    start=$(date +%s%N)
    xdotool key 2
    wait_title "^Trovana 1\\.10 - bench-cache-$count\$" "$pid" >/dev/null
    end=$(date +%s%N)
    echo "switch $run: key to the large cache shown $(( (end - start) / 1000000 )) ms," \
         "$(memory "$pid")"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done
