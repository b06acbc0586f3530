#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Opening a disk image in the built program as a person does: `trovana
# IMAGE` and File > Open Image... (Ctrl+Shift+O), the pick of one of its
# caches in the image's chooser from the keyboard, the cache shown read-only
# under the image's name and the path inside it; the image and its folder
# unchanged.
# Usage: open_image_test.sh TROVANA TROVANA_CACHE IMAGE_FIXTURE
set -euo pipefail
trovana=$1
trovana_cache=$2
fixture=$3

source "$(dirname "$0")/window_script.sh"
unset TROVANA_PROFILE WINEPREFIX XDG_CONFIG_HOME XDG_DATA_HOME
export HOME="$work/home"
mkdir -p "$HOME"
image="$work/evidence/disk.E01"
mkdir -p "$work/evidence"
cp "$fixture"/disk.E0? "$work/evidence/"
before=$(cd "$work/evidence" && ls -l --time-style=+%s.%N && md5sum disk.E0?)

# The caches in the order the chooser lists them, as trovana-cache numbers them.
number=$("$trovana_cache" --image "$image" caches --format jsonl |
    sed -n 's/^{"number":\([0-9]*\),.*"profile":"Documents and Settings\/xpuser".*/\1/p')
[ -n "$number" ] || fail "trovana-cache found no cache of xpuser"

"$trovana" "$image" &
pid=$!
chooser=$(wait_window '^Caches in the Image$') || fail "no chooser of the image's caches"
xdotool mousemove --window "$chooser" 100 100
xdotool windowfocus --sync "$chooser" 2>/dev/null || true
# The rows come as the search finds them; the first is chosen.
sleep 2
for _ in $(seq 2 "$number"); do
    xdotool key Down
done
xdotool key Return
window=$(wait_window "^$(title_start) - disk\\.E01: Documents and Settings/xpuser \\(read-only\\)\$") ||
    fail "the chosen cache is not shown read-only under the image's name"
xdotool mousemove --window "$window" 200 200
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.3

# File > Open Image...: the image named in the file chooser, then the last
# cache of the pick, the deleted one.
xdotool key ctrl+shift+o
chooser=$(wait_window '^Open Disk Image$') || fail "Ctrl+Shift+O shows no file chooser"
xdotool windowfocus --sync "$chooser" 2>/dev/null || true
sleep 0.5
xdotool type --delay 20 "$image"
sleep 0.3
xdotool key Return
chooser=$(wait_window '^Caches in the Image$') || fail "no chooser after File > Open Image..."
xdotool mousemove --window "$chooser" 100 100
xdotool windowfocus --sync "$chooser" 2>/dev/null || true
sleep 2
xdotool key End Return
deleted="^$(title_start) - disk\\.E01: Users/gone/.*History\\.IE5 \\(deleted.*\\) \\(read-only\\)\$"
for _ in $(seq 50); do
    xdotool getwindowname "$window" | grep -qE "$deleted" && break
    sleep 0.1
done
xdotool getwindowname "$window" | grep -qE "$deleted" ||
    fail "the deleted cache is not shown: $(xdotool getwindowname "$window")"
xdotool mousemove --window "$window" 200 200
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.3
xdotool key ctrl+q
wait_exit "Ctrl+Q"

after=$(cd "$work/evidence" && ls -l --time-style=+%s.%N && md5sum disk.E0?)
[ "$before" = "$after" ] || fail "the image or its folder changed: $before / $after"
echo "PASS"
