#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times `trovana-cache list` (JSON lines and CSV, output to a file) against
# libyal's msiecfexport over the same containers, in one run, turn about, so
# that the machine's load weighs on both sides alike, on two caches: one made
# by make_large_cache (build/bench-list-COUNT) and one written by Wine's own
# WinINet (make_wine_cache.sh, build/bench-wine-COUNT). msiecfexport refuses
# Wine's signature, so it reads copies of the index files with the Windows
# signature (same length, same layout): the generated cache's own files are
# given it, the Wine cache's files are copied first. Each side runs once
# untimed first, so the page cache is warm for both. Output goes to files in
# /dev/shm (or TMPDIR).
# Usage: bench/list_vs_msiecfexport.sh [COUNT] [RUNS]   (from a build in build/;
# TROVANA_CACHE=PATH times another build of trovana-cache)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
runs=${2:-7}
made="$PWD/build/bench-list-$count"
tool=${TROVANA_CACHE:-build/tools/trovana-cache/trovana-cache}
out=$(mktemp -d "${TMPDIR:-/dev/shm}/trovana-list-XXXXXX")
trap 'rm -rf "$out"' EXIT
command -v msiecfexport >/dev/null || { echo "msiecfexport is missing (scripts/install-deps.sh)" >&2; exit 1; }

windows_signature() {
    find "$1/" -name index.dat -print0 |
        xargs -0 -n1 sh -c 'printf "Client UrlCache MMF Ver 5.2" | dd of="$0" bs=1 conv=notrunc status=none'
}
if [ ! -d "$made" ]; then
    build/bench/make_large_cache "$made" "$count"
    windows_signature "$made"
fi
wine=$(bench/make_wine_cache.sh "$count")
wine_copy="$wine-msiecf"
if [ ! -d "$wine_copy" ]; then
    mkdir -p "$wine_copy"
    n=0
    while read -r f; do
        mkdir -p "$wine_copy/$n"
        cp "$f" "$wine_copy/$n/index.dat"
        n=$((n + 1))
    done < <(find "$wine/drive_c/" -name index.dat | sort)
    windows_signature "$wine_copy"
fi

. bench/common.sh
describe_run
TIMEFORMAT='%R %U %S'
declare -A walls cpus
for cache in made wine; do
    prefix=${!cache}
    indexes_of=$prefix
    [ "$cache" = wine ] && indexes_of=$wine_copy
    # The slash: a cache folder reached through a symbolic link is searched too.
    mapfile -t indexes < <(find "$indexes_of/" -name index.dat | sort)
    [ "${#indexes[@]}" -gt 0 ] || { echo "no index.dat under $indexes_of: nothing to compare with" >&2; exit 1; }
    echo "$cache: trovana-cache lists $("$tool" --prefix "$prefix" list | wc -l) entries, ${#indexes[@]} containers"
    jsonl() { "$tool" --prefix "$prefix" list --format jsonl >"$out/list.jsonl"; }
    csv() { "$tool" --prefix "$prefix" list --format csv >"$out/list.csv"; }
    peer() { for f in "${indexes[@]}"; do msiecfexport "$f" >"$out/peer.txt"; done; }
    jsonl; csv; peer
    for run in $(seq "$runs"); do
        for side in jsonl csv peer; do
            read -r wall user sys < <({ time "$side"; } 2>&1)
            walls[$cache-$side]+="$(awk -v w="$wall" 'BEGIN {print int(w * 1000)}') "
            cpus[$cache-$side]+="$(awk -v u="$user" -v s="$sys" 'BEGIN {print int((u + s) * 1000)}') "
        done
    done
    for side in jsonl csv peer; do
        echo "$cache $side: wall ms: $(with_median "${walls[$cache-$side]}"); CPU ms: $(with_median "${cpus[$cache-$side]}")"
    done
    for side in jsonl csv; do
        awk -v ow="$(median "${walls[$cache-$side]}")" -v pw="$(median "${walls[$cache-peer]}")" \
            -v oc="$(median "${cpus[$cache-$side]}")" -v pc="$(median "${cpus[$cache-peer]}")" -v what="$cache $side" \
            'BEGIN {printf "%s: msiecfexport / trovana-cache: wall %.2f, CPU %.2f\n", what, pw / ow, pc / oc}'
    done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
