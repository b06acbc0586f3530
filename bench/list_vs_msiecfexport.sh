#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times `trovana-cache list` (JSON lines) against libyal's msiecfexport over
# the same three containers, in one run, turn about, so that the machine's
# load weighs on both sides alike. msiecfexport refuses Wine's signature, so
# the cache made by make_large_cache is given the Windows signature (same
# length, same layout); both programs read those files. Each side runs once
# untimed first, so the page cache is warm for both. Output goes to /dev/null.
# Usage: bench/list_vs_msiecfexport.sh [COUNT] [RUNS]   (from a build in build/;
# TROVANA_CACHE=PATH times another build of trovana-cache)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
runs=${2:-7}
prefix="$PWD/build/bench-list-$count"
tool=${TROVANA_CACHE:-build/tools/trovana-cache/trovana-cache}
command -v msiecfexport >/dev/null || { echo "msiecfexport is missing (scripts/install-deps.sh)" >&2; exit 1; }

if [ ! -d "$prefix" ]; then
    build/bench/make_large_cache "$prefix" "$count"
    find "$prefix" -name index.dat -print0 |
        xargs -0 -n1 sh -c 'printf "Client UrlCache MMF Ver 5.2" | dd of="$0" bs=1 conv=notrunc status=none'
fi
mapfile -t indexes < <(find "$prefix" -name index.dat | sort)

ours() { "$tool" --prefix "$prefix" list --format jsonl >/dev/null; }
peer() { for f in "${indexes[@]}"; do msiecfexport "$f" >/dev/null; done; }

. bench/common.sh
describe_run
echo "entries: trovana-cache $("$tool" --prefix "$prefix" list | wc -l), containers ${#indexes[@]}"
ours
peer
TIMEFORMAT='%R %U %S'
declare -A walls cpus
for run in $(seq "$runs"); do
    for side in ours peer; do
        read -r wall user sys < <({ time "$side"; } 2>&1)
        walls[$side]+="$(awk -v w="$wall" 'BEGIN {print int(w * 1000)}') "
        cpus[$side]+="$(awk -v u="$user" -v s="$sys" 'BEGIN {print int((u + s) * 1000)}') "
    done
done
echo "trovana-cache, wall ms: $(with_median "${walls[ours]}"); CPU ms: $(with_median "${cpus[ours]}")"
echo "msiecfexport, wall ms: $(with_median "${walls[peer]}"); CPU ms: $(with_median "${cpus[peer]}")"
awk -v ow="$(median "${walls[ours]}")" -v pw="$(median "${walls[peer]}")" \
    -v oc="$(median "${cpus[ours]}")" -v pc="$(median "${cpus[peer]}")" \
    'BEGIN {printf "msiecfexport / trovana-cache: wall %.2f, CPU %.2f\n", pw / ow, pc / oc}'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
