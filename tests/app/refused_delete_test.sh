#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Deletions in the built program, driven from the keyboard, on caches that
# must not lose an entry:
# - every entry in use: Delete and Delete All are asked, each refusal is
#   reported once with the reason, and the program goes on;
# - a copy without its files' times: every entry goes, every file stays, and
#   one summary says how many, why and where;
# - a cache on a read-only file system opens read-only by itself: Delete and
#   Delete All ask nothing and change nothing. This part needs a private
#   mount namespace (unshare -m, as root) and is left out without one.
# Usage: refused_delete_test.sh TROVANA TROVANA_CACHE MAKE_CACHE
set -euo pipefail
trovana=$1
trovana_cache=$2
make_cache=$3

source "$(dirname "$0")/window_script.sh"
unset TROVANA_PROFILE
export HOME="$work/home"
mkdir -p "$HOME"

# Starts the program (the command given) and puts the pointer and the keys
# on its window, with the All list's first row chosen.
start() {  # COMMAND...
    "$@" &
    pid=$!
    window=$(wait_window "^$(title_start) - ") || fail "no main window"
    sleep 1
    # Without a window manager the keys go to the window under the pointer.
    xdotool mousemove --window "$window" 400 300
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool mousemove --window "$window" 420 140 click 1
    sleep 0.3
    xdotool key Home
    sleep 0.3
}

# Answers the question with Yes, waits for the report whose title matches,
# and closes it.
answer_yes_expect_report() {  # WHAT REPORT-TITLE-PATTERN
    wait_window '^Trovana$' >/dev/null || fail "no question for $1"
    xdotool key Return
    wait_window "$2" >/dev/null || fail "$1: the refusal was not reported"
    xdotool key Return
    gone_window '^Cannot Delete ' || fail "$1: the report did not close"
}

# The URLs of the cache's entries: an entry in use that WinINet refuses to
# delete is marked for deletion later, but stays.
urls() { "$trovana_cache" list | sed 's/^{"url":"\([^"]*\)".*/\1/' | sort; }

"$make_cache" "$work/locked" locked
export WINEPREFIX="$work/locked"
before=$(urls)
[ -n "$before" ] || fail "no test cache"
start "$trovana"
xdotool key Delete
answer_yes_expect_report "Delete" '^Cannot Delete '
# Delete All from the menu: one report for every refused entry.
xdotool key alt+e
sleep 0.3
xdotool key a
answer_yes_expect_report "Delete All" '^Cannot Delete [0-9]+ Items$'
[ "$before" = "$(urls)" ] || fail "entries of the locked cache were lost"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
xdotool key ctrl+q
wait_exit "Ctrl+Q"
echo "entries in use: each refusal reported once, nothing lost"

# A copy made without its times (cp -r, then every file dated as a restore
# from backup would): Delete and Delete All delete the entries, keep every
# file (Wine removes only the file its record dates), and one summary each
# says so.
"$make_cache" "$work/original"
cp -r "$work/original" "$work/copy"
find "$work/copy/drive_c" -type f ! -name index.dat -exec touch -d 2001-01-01 {} +
export WINEPREFIX="$work/copy"
cached_files() { find "$work/copy/drive_c" -type f ! -name index.dat ! -name '*.reg' | sort; }
kept=$(cached_files)
start "$trovana"
# Answers the question with Yes and closes the summary of the files kept.
answer_yes_expect_kept() {  # WHAT
    wait_window '^Trovana$' >/dev/null || fail "no question for $1"
    xdotool key Return
    wait_window '^Files Kept$' >/dev/null || fail "$1: no summary of the files kept"
    xdotool key Return
    gone_window '^Files Kept$' || fail "$1: the summary did not close"
}
# Delete of the row chosen: its file is kept, and the same summary says so.
xdotool key Delete
answer_yes_expect_kept "Delete"
xdotool key alt+e
sleep 0.3
xdotool key a
answer_yes_expect_kept "Delete All"
[ -z "$(urls)" ] || fail "entries of the copy were not deleted"
[ "$kept" = "$(cached_files)" ] || fail "files of the copy were removed though their times differ"
xdotool key ctrl+q
wait_exit "Ctrl+Q"
echo "a copy without times: every entry deleted, every file kept and reported"

unshare -m --propagation private true 2>/dev/null || { echo "read-only file system: left out, no mount namespace"; exit 0; }
"$make_cache" "$work/prefix"
export WINEPREFIX="$work/prefix"
before=$("$trovana_cache" list | sort)
listing() { find "$work/prefix" -printf '%p %s %T@\n' | sort; }
files=$(listing)
# The prefix is mounted read-only for the program alone.
start unshare -m --propagation private sh -c \
    'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$1"' "$work/prefix" "$trovana"
xdotool key Delete
nothing_asked || fail "Delete asked or reported something on a read-only cache"
xdotool key alt+e
sleep 0.3
xdotool key a
nothing_asked || fail "Delete All was offered on a read-only cache"
xdotool key Escape
[ "$before" = "$("$trovana_cache" list | sort)" ] || fail "the read-only cache changed"
[ "$files" = "$(listing)" ] || fail "files of the read-only cache changed"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
xdotool key ctrl+q
wait_exit "Ctrl+Q"
echo "read-only file system: opened read-only, Delete and Delete All do nothing"
