#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Finding every cache in a disk image against listing the same volume with
# The Sleuth Kit's `fls -r` (Debian sleuthkit). Makes (once, in WORK) an
# NTFS volume of about 100,000 files (mkntfs, filled through ntfs-3g):
# 20 Windows 7 profiles with their containers and 1,000 folders of 100 empty
# files, and one deleted container. Then times, RUNS times each (default 3):
#   trovana-cache --image VOLUME caches   (profiles, hives, deleted files)
#   fls -r -p VOLUME                      (every name of the volume)
# and prints each one's median CPU time (user and system: the figure that
# means something on a loaded machine), wall time and peak memory.
# Usage: image_vs_fls.sh TROVANA_CACHE [WORK] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
program=$1
work=${2:-/tmp/trovana-image-bench}
runs=${3:-3}
samples=$here/../tests/platform/urlcache/samples
volume=$work/volume.raw

if [ ! -f "$volume" ]; then
    mkdir -p "$work/mnt"
    truncate -s 1G "$volume"
    mkntfs -q -F -f "$volume" 2>/dev/null
    ntfs-3g "$volume" "$work/mnt"
    trap 'umount "$work/mnt" 2>/dev/null || true' EXIT
    for u in $(seq -w 1 20); do
        profile="$work/mnt/Users/user$u/AppData/Local/Microsoft/Windows"
        mkdir -p "$profile/History/History.IE5" "$profile/Temporary Internet Files/Content.IE5"
        cp "$samples/plaso-History.IE5-index.dat" "$profile/History/History.IE5/index.dat"
        cp "$samples/plaso-Content.IE5-index.dat" "$profile/Temporary Internet Files/Content.IE5/index.dat"
    done
    names=$(printf 'f%02d ' $(seq 0 99))
    for d in $(seq -w 0 999); do
        mkdir -p "$work/mnt/Data/d$d"
        (cd "$work/mnt/Data/d$d" && touch $names)
    done
    # Deleted last: a file made afterwards would take its MFT entry.
    cp "$samples/grr-index.dat" "$work/mnt/Users/user01/deleted-index.dat"
    sync
    rm "$work/mnt/Users/user01/deleted-index.dat"
    umount "$work/mnt"
    trap - EXIT
fi

describe_run
echo "volume: $(du -h --apparent-size "$volume" | cut -f1), $(fls -r -p "$volume" | wc -l) names (fls -r -p)"

# Prints "cpu_seconds wall_seconds peak_MB" of one run of the command.
measure() {
    /usr/bin/time -f '%U %S %e %M' -o "$work/time.txt" "$@" >/dev/null 2>&1
    tail -n 1 "$work/time.txt" | awk '{printf "%.2f %s %d\n", $1 + $2, $3, $4 / 1024}'
}

for name in trovana fls; do
    cpus="" walls="" peaks=""
    for _ in $(seq "$runs"); do
        if [ "$name" = trovana ]; then
            result=$(measure "$program" --image "$volume" caches)
        else
            result=$(measure fls -r -p "$volume")
        fi
        read -r cpu wall peak <<<"$result"
        cpus+="$cpu " walls+="$wall " peaks+="$peak "
    done
    echo "$name: CPU median $(median "$cpus") s (runs: $cpus), wall median $(median "$walls") s, peak $(median "$peaks") MB"
done
"$program" --image "$volume" caches | tail -n 2
