#!/usr/bin/env bash
# Starts the built program on a small cache, as a person would, under the X
# server that the test runs with: waits for its window, checks its title and
# size, has it write a picture of itself, and closes it with File > Exit.
# Usage: end_to_end_test.sh TROVANA MAKE_CACHE OUTPUT_DIR
set -euo pipefail
trovana=$1
make_cache=$2
output=$3

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

"$make_cache" "$work/prefix"
unset TROVANA_PROFILE
export WINEPREFIX="$work/prefix"
export TROVANA_SCREENSHOT="$output/trovana-window.png"
rm -f "$TROVANA_SCREENSHOT"

"$trovana" &
pid=$!

window=""
for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --name '^Trovana 1\.10$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before showing its window"
    sleep 0.1
done
[ -n "$window" ] || fail "no window titled 'Trovana 1.10'"
[ "$(xdotool getwindowname "$window")" = "Trovana 1.10" ] || fail "title"
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
# running after File > Exit.
help=""
if [ -s "$(dirname "$trovana")/trovana.chm" ]; then
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers alt+h
    sleep 0.5
    xdotool key --clearmodifiers Return
    for _ in $(seq 100); do
        help=$(xdotool search --onlyvisible --name '^Trovana Help' 2>/dev/null | head -n 1 || true)
        [ -n "$help" ] && break
        sleep 0.1
    done
    [ -n "$help" ] || fail "Help > Contents showed no help window"
fi

# File > Exit from the keyboard.
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key --clearmodifiers x
# The closing animation takes most of a second before the window closes.
for _ in $(seq 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "File > Exit did not close the window"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "end-to-end: window shown, pictured and closed${help:+ with the help window open}"
