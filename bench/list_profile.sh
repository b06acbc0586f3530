#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Where the time of `trovana-cache list` goes: perf's samples of one listing
# (JSON lines and CSV, output to a file in /dev/shm or TMPDIR) of the made
# cache and of the Wine-written one (the caches of list_vs_msiecfexport.sh,
# made first when missing), the functions with the largest share of the
# samples, the kernel's included; then the CPU time (user + system) of five
# listings each, from /usr/bin/time.
# Usage: bench/list_profile.sh [COUNT] [TOP]   (after scripts/build.sh;
# TROVANA_CACHE=PATH profiles another build of trovana-cache)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
top=${2:-15}
tool=${TROVANA_CACHE:-build/tools/trovana-cache/trovana-cache}
command -v perf >/dev/null || { echo "perf is missing (linux-perf)" >&2; exit 1; }
made="$PWD/build/bench-list-$count"
[ -d "$made" ] || { echo "no made cache: run bench/list_vs_msiecfexport.sh $count first" >&2; exit 1; }
wine=$(bench/make_wine_cache.sh "$count")
out=$(mktemp -d "${TMPDIR:-/dev/shm}/trovana-profile-XXXXXX")
trap 'rm -rf "$out"' EXIT

. bench/common.sh
describe_run
for cache in made wine; do
    prefix=${!cache}
    for format in jsonl csv; do
        "$tool" --prefix "$prefix" list --format "$format" >"$out/list"  # the page cache warm
        perf record -q -F 10000 -g -o "$out/perf.data" \
            "$tool" --prefix "$prefix" list --format "$format" >"$out/list" 2>/dev/null
        echo "== $cache, $format: $(stat -c %s "$out/list") bytes written; share of the samples:"
        perf report -i "$out/perf.data" --no-children --sort symbol --stdio -g none 2>/dev/null |
            awk -v top="$top" '!/^#/ && NF && n++ < top {print substr($0, 1, 110)}'
        cpus=""
        for run in 1 2 3 4 5; do
            cpus+="$( { /usr/bin/time -f '%U %S' "$tool" --prefix "$prefix" list --format "$format" >"$out/list"; } 2>&1 |
                awk '{print int(($1 + $2) * 1000)}') "
        done
        echo "$cache $format: CPU ms (user + system): $(with_median "$cpus")"
    done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
