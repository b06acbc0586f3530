#!/usr/bin/env bash
# Deletions refused by a cache on a read-only file system, driven from the
# keyboard in the built program: each is reported once with the reason, no
# entry is lost from the cache or the window, and the program goes on.
# Usage: refused_delete_test.sh TROVANA TROVANA_CACHE MAKE_CACHE
# Needs a private mount namespace (unshare -m, as root); skipped (77) without.
set -euo pipefail
trovana=$1
trovana_cache=$2
make_cache=$3

unshare -m --propagation private true 2>/dev/null || { echo "SKIP: no mount namespace"; exit 77; }
source "$(dirname "$0")/window_script.sh"

"$make_cache" "$work/prefix"
unset TROVANA_PROFILE
export WINEPREFIX="$work/prefix"
before=$("$trovana_cache" list | sort)
[ -n "$before" ] || fail "no test cache"

# The prefix is mounted read-only for the program alone.
unshare -m --propagation private sh -c \
    'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$1"' "$work/prefix" "$trovana" &
pid=$!

window=$(wait_window '^Trovana 1\.10$') || fail "no main window"
sleep 1
# Without a window manager the keys go to the window under the pointer.
xdotool mousemove --window "$window" 400 300
xdotool windowfocus --sync "$window" 2>/dev/null || true

# Answers the question with Yes, waits for the report whose title matches,
# and closes it.
answer_yes_expect_report() {  # WHAT REPORT-TITLE-PATTERN
    wait_window '^Trovana$' >/dev/null || fail "no question for $1"
    xdotool key Return
    wait_window "$2" >/dev/null || fail "$1: the refusal was not reported"
    xdotool key Return
    gone_window '^Cannot Delete ' || fail "$1: the report did not close"
}

# The All list, clicked, its first row chosen with Home; Delete and Yes.
xdotool mousemove --window "$window" 420 140 click 1
sleep 0.3
xdotool key Home
sleep 0.3
xdotool key Delete
answer_yes_expect_report "Delete" '^Cannot Delete '

# Delete All from the menu: one report for every refused entry.
xdotool key alt+e
sleep 0.3
xdotool key a
answer_yes_expect_report "Delete All" '^Cannot Delete [0-9]+ Items$'

after=$("$trovana_cache" list | sort)
[ "$before" = "$after" ] || fail "the cache changed"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
xdotool key ctrl+q
wait_exit "Ctrl+Q"
echo "refused deletions: reported once each, nothing lost"
