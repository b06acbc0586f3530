#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times `trovana-cache list` and `list --recovered` on a large cache in which
# every tenth entry was deleted (so that there are records to recover), five
# runs each, output thrown away. The cache is made once and kept in
# build/bench-recovered-COUNT.
# Usage: bench/list_recovered.sh [COUNT]   (from a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100000}
prefix="$PWD/build/bench-recovered-$count"
tool=build/tools/trovana-cache/trovana-cache

if [ ! -d "$prefix" ]; then
    build/bench/make_large_cache "$prefix" "$count"
    "$tool" --prefix "$prefix" list | python3 -c '
import json, sys
urls = [json.loads(line)["url"] for line in sys.stdin]
sys.stdout.write("\0".join(urls[::10]))' | xargs -0 "$tool" --prefix "$prefix" delete >/dev/null
fi

echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'), load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "records: list $("$tool" --prefix "$prefix" list | wc -l), list --recovered $("$tool" --prefix "$prefix" list --recovered | wc -l)"
TIMEFORMAT='%R %U %S'
for args in "list" "list --recovered"; do
    walls=()
    cpus=()
    for run in 1 2 3 4 5; do
        # shellcheck disable=SC2086
        read -r wall user sys < <({ time "$tool" --prefix "$prefix" $args >/dev/null; } 2>&1)
        walls+=("$(awk -v w="$wall" 'BEGIN {print int(w * 1000)}')")
        cpus+=("$(awk -v u="$user" -v s="$sys" 'BEGIN {print int((u + s) * 1000)}')")
    done
    median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
    echo "trovana-cache $args: wall ${walls[*]} ms (median $(median "${walls[@]}")), CPU ${cpus[*]} ms (median $(median "${cpus[@]}"))"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
