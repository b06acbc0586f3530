#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the built program on a small cache, as a person would, under the X
# server that the test runs with: waits for its window, checks its title and
# size, has it write a picture of itself, previews a few rows, and closes it
# with File > Exit: no website data is left behind.
# Usage: end_to_end_test.sh TROVANA MAKE_CACHE OUTPUT_DIR
set -euo pipefail
trovana=$1
make_cache=$2
output=$3

source "$(dirname "$0")/window_script.sh"
# The window's title begins with the name and version.
product="Trovana $(env -u DISPLAY -u WAYLAND_DISPLAY "$trovana" --version | cut -d" " -f2)"

"$make_cache" "$work/prefix"
unset TROVANA_PROFILE XDG_DATA_HOME XDG_CACHE_HOME
export WINEPREFIX="$work/prefix"
# What the preview keeps about the sites it shows stays in the program's
# private temporary folder, which goes at exit.
export HOME="$work/home" TMPDIR="$work/tmp"
mkdir -p "$HOME" "$TMPDIR"
export TROVANA_SCREENSHOT="$output/trovana-window.png"
rm -f "$TROVANA_SCREENSHOT"

"$trovana" &
pid=$!

# The title names the cache: the prefix's folder.
window=$(wait_window "^${product//./\\.} - prefix\$") || fail "no window titled '$product - prefix'"
xdotool getwindowgeometry "$window" | grep -q "Geometry: 800x600" ||
    fail "size: $(xdotool getwindowgeometry "$window")"

for _ in $(seq 100); do
    [ -s "$TROVANA_SCREENSHOT" ] && break
    sleep 0.1
done
[ -s "$TROVANA_SCREENSHOT" ] || fail "no picture of the window"
# A PNG file whose header says 800 x 600 pixels.
[ "$(head -c 8 "$TROVANA_SCREENSHOT" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "not a PNG file"
[ "$(od -An -tu1 -j16 -N8 "$TROVANA_SCREENSHOT" | tr -s ' ')" = " 0 0 3 32 0 0 2 88" ] || fail "picture size"

# Help > Contents opens the help window, which must not keep the program
# running after File > Exit. The help file is beside the built program, or in
# the data folder of an installed one.
help=""
folder=$(dirname "$trovana")
if [ -s "$folder/trovana.chm" ] || [ -s "$folder/../share/trovana/trovana.chm" ]; then
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers alt+h
    sleep 0.5
    xdotool key --clearmodifiers Return
    help=$(wait_window '^Trovana Help') || fail "Help > Contents showed no help window"
fi

# A few rows previewed, pages among them.
xdotool mousemove --window "$window" 420 140 click 1
for _ in 1 2 3 4 5 6; do
    xdotool key --clearmodifiers Down
    sleep 0.7
done

# File > Exit from the keyboard.
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key --clearmodifiers x
wait_exit "File > Exit"
[ ! -e "$HOME/.local/share/trovana" ] || fail "website data kept in $HOME/.local/share/trovana"
left=$(find "$TMPDIR" -mindepth 1 -maxdepth 1 -name 'trovana-*')
[ -z "$left" ] || { find "$left" >&2; fail "the private temporary folder stayed: $left"; }

# SIGTERM, SIGINT and SIGHUP end the program as File > Exit does, with a
# question or a dialog open or not: the private temporary folder goes, and
# the status says which signal it was.
for signal in TERM INT HUP; do
    "$trovana" &
    pid=$!
    window=$(wait_window "^$(title_start) - prefix\$") || fail "no window for SIG$signal"
    xdotool mousemove --window "$window" 420 140 click 1
    for _ in $(seq 50); do
        [ -n "$(find "$TMPDIR" -name temp.htm)" ] && break
        sleep 0.1
    done
    xdotool windowfocus --sync "$window"
    case $signal in
        INT) xdotool key --clearmodifiers alt+e a
             wait_window '^Trovana$' >/dev/null || fail "Edit > Delete All asked nothing" ;;
        HUP) xdotool key --clearmodifiers ctrl+o
             wait_window '^Open Cache$' >/dev/null || fail "Ctrl+O opened no dialog" ;;
    esac
    kill -s "$signal" "$pid"
    wait_exit "SIG$signal" $((128 + $(kill -l "$signal")))
    left=$(find "$TMPDIR" -mindepth 1 -maxdepth 1 -name 'trovana-*')
    [ -z "$left" ] || { find "$left" >&2; fail "SIG$signal left the private temporary folder: $left"; }
done
echo "end-to-end: window shown, pictured and closed${help:+ with the help window open}; ended by signals"
