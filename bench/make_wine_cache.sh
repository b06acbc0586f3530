#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes, once, a Wine prefix whose URL cache Wine's own WinINet wrote
# (bench/wine_fill_cache.c: content with short real headers, history,
# cookies; a mix that Wine's containers hold at 100,000 entries, see there)
# and prints its path. The prefix is kept in
# build/bench-wine-COUNT between runs and made again only when it is missing
# or was left unfinished. Wine writes a few hundred to a few thousand
# entries a second, less on a loaded machine: the fill is stopped after
# MINUTES, and the prefix is then kept with the entries made so far (their
# count is in its file "entries"; a finished one has "complete").
# Usage: bench/make_wine_cache.sh [COUNT] [MINUTES]   (after scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
minutes=${2:-60}
prefix="$PWD/build/bench-wine-$count"
filler="$PWD/build/bench/wine_fill_cache.exe"

if [ -f "$prefix/complete" ] || [ -f "$prefix/entries" ]; then
    echo "$prefix"
    exit 0
fi
command -v wine >/dev/null || { echo "Wine is missing (scripts/install-deps.sh)" >&2; exit 1; }
[ -x "$filler" ] || [ -f "$filler" ] || { echo "$filler is missing: build with mingw-w64 installed" >&2; exit 1; }

rm -rf "$prefix"
mkdir -p "$prefix"
# No display (Wine opens no window), no debug output, no Mono or Gecko set-up.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
timeout 600 wine wineboot -i >/dev/null 2>&1
begin=$(date +%s)
status=0
timeout "$((minutes * 60))" wine "$filler" "$count" >"$prefix/fill.log" 2>&1 || status=$?
wineserver -w
seconds=$(( $(date +%s) - begin ))
tool=build/tools/trovana-cache/trovana-cache
made=$("$tool" --prefix "$prefix" list | wc -l)
if [ "$status" = 0 ]; then
    touch "$prefix/complete"
else
    echo "$made" >"$prefix/entries"
    echo "the fill stopped after $seconds s (status $status) with $made entries" >&2
fi
echo "Wine wrote $made entries in $seconds s" >&2
echo "$prefix"
