#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the disk images the image tests read, once per test run:
#   tree/            the profiles as plain folders (what the images must show)
#   volume.raw       one NTFS volume (mkntfs, filled through ntfs-3g), with
#                    XP, 7 and 10 profiles and one container deleted
#   mbr.raw gpt.raw  that volume in an MBR and in a GPT disk (sfdisk)
#   split.001 ...    mbr.raw split in pieces
#   disk.E01         mbr.raw through ewfacquire (with its MD5 and SHA1 stored)
#   disk.vmdk disk.vhd disk.vhdx disk.qcow2   gpt.raw through qemu-img
#   *.md5            md5sum of each raw image, for the tests' comparisons
# The volume's SOFTWARE hive lists a profile outside Users (Profiles/listeduser)
# and its SYSTEM hive records the zone W. Europe Standard Time.
# Usage: make_fixture.sh OUTPUT_DIR URLCACHE_SAMPLES WEBCACHE_SAMPLE_GZ MAKE_HIVE
set -euo pipefail

out=$1
samples=$2
webcache=$3
make_hive=$4

rm -rf "$out"
mkdir -p "$out/tree" "$out/mnt"
tree=$out/tree

put() {  # put SAMPLE PATH-IN-TREE
    mkdir -p "$tree/$(dirname "$2")"
    cp "$1" "$tree/$2"
}
xp="Documents and Settings/xpuser"
put "$samples/plaso-Content.IE5-index.dat" "$xp/Local Settings/Temporary Internet Files/Content.IE5/index.dat"
put "$samples/plaso-History.IE5-index.dat" "$xp/Local Settings/History/History.IE5/index.dat"
put "$samples/plaso-MSHist012013031020130311-index.dat" \
    "$xp/Local Settings/History/History.IE5/MSHist012013031020130311/index.dat"
put "$samples/grr-index.dat" "$xp/Cookies/index.dat"
seven="Users/sevenuser"
put "$samples/plaso-nfury_index.dat" "$seven/AppData/Local/Microsoft/Windows/Temporary Internet Files/Content.IE5/index.dat"
put "$samples/plaso-History.IE5-index.dat" "$seven/AppData/Local/Microsoft/Windows/History/History.IE5/index.dat"
put "$samples/grr-index.dat" "$seven/AppData/Roaming/Microsoft/Windows/Cookies/Low/index.dat"
mkdir -p "$tree/Users/tenuser/AppData/Local/Microsoft/Windows/WebCache"
gzip -dc "$webcache" > "$tree/Users/tenuser/AppData/Local/Microsoft/Windows/WebCache/WebCacheV01.dat"
put "$samples/grr-index.dat" "Profiles/listeduser/AppData/Roaming/Microsoft/Windows/Cookies/index.dat"
mkdir -p "$tree/Windows/System32/config"
"$make_hive" software "$tree/Windows/System32/config/SOFTWARE"
"$make_hive" system "$tree/Windows/System32/config/SYSTEM"
# A cached file beside the containers, which the search must not descend into.
mkdir -p "$tree/$seven/AppData/Local/Microsoft/Windows/Temporary Internet Files/Content.IE5/ABCDEFGH"
echo "<html></html>" > "$tree/$seven/AppData/Local/Microsoft/Windows/Temporary Internet Files/Content.IE5/ABCDEFGH/page[1].htm"

# The volume: 40 MiB of NTFS, filled through FUSE.
truncate -s 40M "$out/volume.raw"
mkntfs -q -F -f -L trovana-test "$out/volume.raw" 2> /dev/null
ntfs-3g "$out/volume.raw" "$out/mnt"
trap 'umount "$out/mnt" 2>/dev/null || true' EXIT
cp -r "$tree/." "$out/mnt/"
# The deleted cache: written, then removed; its folder stays.
gone="Users/gone/AppData/Local/Microsoft/Windows/History/History.IE5"
mkdir -p "$out/mnt/$gone"
cp "$samples/plaso-History.IE5-index.dat" "$out/mnt/$gone/index.dat"
sync
rm "$out/mnt/$gone/index.dat"
umount "$out/mnt"
trap - EXIT
rmdir "$out/mnt"

volume_sectors=$(( $(stat -c %s "$out/volume.raw") / 512 ))
make_disk() {  # make_disk LABEL OUT
    truncate -s $(( 2048 * 512 + $(stat -c %s "$out/volume.raw") + 1024 * 1024 )) "$2"
    printf 'label: %s\nstart=2048, size=%d, type=%s\n' "$1" "$volume_sectors" \
        "$([ "$1" = dos ] && echo 7 || echo EBD0A0A2-B9E5-4433-87C0-68B6B72699C7)" | sfdisk -q "$2"
    dd if="$out/volume.raw" of="$2" bs=1M seek=1 conv=notrunc status=none
}
make_disk dos "$out/mbr.raw"
make_disk gpt "$out/gpt.raw"

split -b 16M -d -a 3 --numeric-suffixes=1 "$out/mbr.raw" "$out/split."

ewfacquire -q -u -t "$out/disk" -c none -d sha1 -f encase6 -S 20M "$out/mbr.raw" > /dev/null
for format in vmdk vpc vhdx qcow2; do
    name=$format
    [ "$format" = vpc ] && name=vhd
    qemu-img convert -f raw -O "$format" "$out/gpt.raw" "$out/disk.$name"
done
for raw in mbr gpt; do
    md5sum < "$out/$raw.raw" | cut -d' ' -f1 > "$out/$raw.md5"
done
sha1sum < "$out/mbr.raw" | cut -d' ' -f1 > "$out/mbr.sha1"
