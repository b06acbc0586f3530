#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Opening caches in the built program as a person does: each kind of path by
# argument (a Wine prefix, a user profile, a renamed container file, a drive
# root with two users to pick from), by File > Open Cache... from the
# keyboard (its search not blocked by FIFOs, Stop and Cancel at once), a path
# that holds no cache (the open cache stays), the recent caches of an earlier
# run, and --read-only (no deletion offered, every file of the cache
# unchanged, reopened read-only from the recent list). The title names the
# cache shown.
# Usage: open_cache_test.sh TROVANA MAKE_CACHE
set -euo pipefail
trovana=$1
make_cache=$2

source "$(dirname "$0")/window_script.sh"
# The window's title begins with the name and version.
product="Trovana $(env -u DISPLAY -u WAYLAND_DISPLAY "$trovana" --version | cut -d" " -f2)"
unset TROVANA_PROFILE WINEPREFIX XDG_CONFIG_HOME XDG_DATA_HOME
# The recent caches are kept in the configuration under this home.
export HOME="$work/home"
game="$HOME/.local/share/wineprefixes/game"
"$make_cache" "$HOME/.wine"
"$make_cache" "$game"
user=$(ls "$game/drive_c/users" | grep -v '^Public$' | head -n 1)
profile="$game/drive_c/users/$user"
[ -d "$profile" ] || fail "no user profile in the test prefix"
mkdir -p "$work/copies"
cp "$(find "$profile" -path '*History.IE5/index.dat' | head -n 1)" "$work/copies/History.IE5-index.dat"
cp -a "$profile" "$game/drive_c/users/zed"
echo "no cache" > "$work/copies/notes.txt"

# Starts the program and waits for its title; the keys go to its window.
start() {  # TITLE ARGUMENTS...
    local title=$1
    shift
    "$trovana" "$@" &
    pid=$!
    window=$(wait_window "^${product//./\\.} - $title\$") || fail "no window titled '$title' for $*"
    focus "$window"
}
focus() {  # WINDOW
    # Without a window manager the keys go to the window under the pointer.
    xdotool mousemove --window "$1" 200 200
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    sleep 0.3
}
title() { xdotool getwindowname "$window"; }
quit() {
    focus "$window"
    xdotool key ctrl+q
    wait_exit "Ctrl+Q"
}

start game "$game"
quit
start "$user" "$profile"
quit
start 'History\.IE5-index\.dat' "$work/copies/History.IE5-index.dat"

# FIFOs where the search reads the settings of Steam, Bottles and Lutris (a
# FIFO waits for a writer): the search passes them by, and Stop (Alt+T) and
# Cancel (Escape) answer at once.
mkdir -p "$HOME/.local/share/Steam/steamapps" "$HOME/.local/share/bottles/bottles/stuck" "$HOME/.config/lutris/games"
mkfifo "$HOME/.local/share/Steam/steamapps/libraryfolders.vdf" "$HOME/.local/share/bottles/bottles/stuck/bottle.yml" \
    "$HOME/.config/lutris/games/stuck-1.yml"
xdotool key ctrl+o
dialog=$(wait_window '^Open Cache$') || fail "Ctrl+O opened no dialog"
focus "$dialog"
xdotool key alt+t Escape
gone_window '^Open Cache$' || fail "Stop and Cancel did not close the dialog"

# File > Open Cache...: the search ends, the first row is chosen, Enter opens it.
xdotool key ctrl+o
dialog=$(wait_window '^Open Cache$') || fail "Ctrl+O opened no dialog"
focus "$dialog"
sleep 2
xdotool key Return
gone_window '^Open Cache$' || fail "Enter did not close the dialog"
for _ in $(seq 50); do [ "$(title)" != "$product - History.IE5-index.dat" ] && break; sleep 0.1; done
picked=$(title)
[ "$picked" != "$product - History.IE5-index.dat" ] || fail "the dialog's row was not opened"

# A path without a cache: one message, and the cache shown stays.
xdotool key ctrl+o
dialog=$(wait_window '^Open Cache$') || fail "Ctrl+O opened no dialog again"
focus "$dialog"
xdotool key alt+p
xdotool type "$work/copies/notes.txt"
xdotool key Return
message=$(wait_window '^Trovana$') || fail "no message for a path without a cache"
focus "$message"
xdotool key Return
gone_window '^Trovana$' || fail "the message did not close"
sleep 0.5
[ "$(title)" = "$picked" ] || fail "the open cache did not stay: $(title)"
quit

# The next run offers the recent caches, newest first: the picked one, the
# file, the profile, the prefix.
# Opens File > Recent Caches > NUMBER and expects the title to become TITLE.
open_recent() {  # NUMBER TITLE WHY
    xdotool key alt+f
    sleep 0.5
    xdotool key r
    sleep 0.5
    xdotool key "$1"
    for _ in $(seq 50); do [ "$(title)" = "$2" ] && break; sleep 0.1; done
    [ "$(title)" = "$2" ] || fail "$3: $(title)"
}
start '\.wine'
open_recent 4 "$product - game" "the fourth recent cache is not the prefix"
quit

# A drive root with two users: the user picks the second.
"$trovana" "$game/drive_c" &
pid=$!
choice=$(wait_window '^Choose a User$') || fail "no choice of user for a drive root"
focus "$choice"
xdotool key End Return
window=$(wait_window "^${product//./\\.} - zed\$") || fail "the second user's cache was not opened"
quit

# Read-only: Delete and Delete All ask nothing, and nothing in the prefix
# changes, not even a time, and no file is made.
listing() { find "$HOME/.wine" -printf '%p %s %T@ %m\n' | sort; find "$HOME/.wine" -type f -exec md5sum {} + | sort; }
files=$(listing)
start '\.wine \(read-only\)' --read-only "$HOME/.wine"
xdotool mousemove --window "$window" 420 140 click 1
sleep 0.3
xdotool key Home Delete
xdotool key alt+e
sleep 0.3
xdotool key a
nothing_asked || fail "a deletion was offered on a cache opened read-only"
xdotool key Escape
quit
[ "$files" = "$(listing)" ] || fail "the cache opened read-only changed"

# The recent list reopens it read-only, as it was opened.
start '\.wine'
open_recent 1 "$product - .wine (read-only)" "the recent cache lost its read-only choice"
quit

# The Path field takes ~ as the home folder.
start '\.wine' "$HOME/.wine"
xdotool key ctrl+o
dialog=$(wait_window '^Open Cache$') || fail "Ctrl+O opened no dialog for ~"
focus "$dialog"
xdotool key alt+p
xdotool type "~/.local/share/wineprefixes/game"
xdotool key Return
for _ in $(seq 50); do [ "$(title)" = "$product - game" ] && break; sleep 0.1; done
[ "$(title)" = "$product - game" ] || fail "~ in the Path field was not the home folder: $(title)"
quit

# A path without a cache at start-up: the message is centred on the screen
# and takes the keys itself, as no window manager gives them: Return ends it.
xdotool mousemove 0 0
"$trovana" "$work/nowhere" &
pid=$!
message=$(wait_window '^Trovana$') || fail "no message for a path without a cache at start-up"
eval "$(xdotool getwindowgeometry --shell "$message")"
read -r screen_width screen_height < <(xdotool getdisplaygeometry)
off_x=$((X + WIDTH / 2 - screen_width / 2))
off_y=$((Y + HEIGHT / 2 - screen_height / 2))
[ "${off_x#-}" -le 20 ] && [ "${off_y#-}" -le 40 ] || fail "the start-up message is not centred: $X,$Y ${WIDTH}x$HEIGHT"
sleep 0.3
xdotool key Return
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Return did not answer the start-up message"
pid=""
echo "open cache: by argument, dialog, recent list and read-only"
