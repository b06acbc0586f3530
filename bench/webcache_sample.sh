#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The WebCache sample (tests/platform/webcache/samples, unpacked into a
# Windows 10 profile's layout in build/bench-webcache): `trovana-cache list`
# against esedbexport of the tables it reads, turn about in one hyperfine
# run; then the window's start on the profile against its start on an empty
# cache, turn about, each start a fresh process, under its own X server.
# Usage: bench/webcache_sample.sh [RUNS]   (from a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
profile="$PWD/build/bench-webcache/Users/Administrator"
database="$profile/AppData/Local/Microsoft/Windows/WebCache/WebCacheV01.dat"
empty="$PWD/build/bench-cache-empty"
program=${TROVANA:-build/src/app/trovana}

if [ -z "${DISPLAY:-}" ]; then
    if [ ! -s "$database" ]; then
        mkdir -p "$(dirname "$database")"
        gzip -dc tests/platform/webcache/samples/dissect-WebCacheV01.dat.gz >"$database"
    fi
    mkdir -p "$empty"
    # The tables trovana-cache reads: Containers, every container's table
    # (those it does not list for their damage alone), the cookie tables.
    # esedbexport gives up early on Container_4 and Container_11.
    tables=(Containers Container_1 Container_2 Container_3 Container_4 Container_5 Container_6 Container_9
        Container_11 Container_12 Container_13 Container_14 Container_15 Container_16 Container_17
        Container_19 Container_20 CookieEntryEx_2 CookieEntryEx_4)
    export_all="for t in ${tables[*]}; do esedbexport -T \$t -t /dev/shm/bench-esedb-\$\$ '$database' >/dev/null; rm -rf /dev/shm/bench-esedb-\$\$.export; done"
    hyperfine --warmup 2 --runs "$runs" --export-markdown /dev/stdout \
        "build/tools/trovana-cache/trovana-cache --path '$profile' list >/dev/null" \
        "$export_all"
    exec env GDK_BACKEND=x11 NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$runs"
fi

. bench/common.sh
# Start to the window shown: no rows are awaited (an empty cache has none).
export EMPTY=1
describe_run
start_to_window "$empty" "$program" >/dev/null  # the page cache warm for both sides
start_to_window "$empty" "$program" "$profile" >/dev/null
declare -A times
for run in $(seq "$runs"); do
    read -r ms _ _ < <(start_to_window "$empty" "$program")
    times[empty]+="$ms "
    read -r ms _ _ < <(start_to_window "$empty" "$program" "$profile")
    times[webcache]+="$ms "
done
for side in empty webcache; do
    echo "$side: start to window shown, ms: $(with_median "${times[$side]}")"
done
awk -v w="$(median "${times[webcache]}")" -v e="$(median "${times[empty]}")" \
    'BEGIN {printf "webcache / empty: %.2f\n", w / e}'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
