# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the shell tests that start the built program under Xvfb: a
# temporary folder removed at the end, the program's process ended with it,
# and waits for windows by their titles. Source it; it sets `work` and `pid`.
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Prints the id of the first visible window whose title matches; fails after
# about ten seconds, or as soon as the program has ended.
wait_window() {  # TITLE-PATTERN
    local found=""
    for _ in $(seq 100); do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$found" ] && { echo "$found"; return 0; }
        [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null && return 1
        sleep 0.1
    done
    return 1
}

# Waits until no visible window has a matching title.
gone_window() {  # TITLE-PATTERN
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# Waits up to ten seconds for the program to end; fails if it does not, or
# if it ends with another status than the one expected (0 unless given).
wait_exit() {  # WHAT-CLOSED-IT [STATUS]
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "$1 did not close the window"
    local status=0
    wait "$pid" || status=$?
    pid=""
    [ "$status" -eq "${2:-0}" ] || fail "$1: the program ended with status $status"
}

# True when no message box (titled "Trovana" or "Cannot Delete ...") shows
# within two seconds. The titles are compared here, case and all: xdotool's
# search ignores case, and GTK names its menus' windows "trovana".
nothing_asked() {
    sleep 2
    ! xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null | grep -qE '^(Trovana|Cannot Delete .*)$'
}

# The start of the window's title as a pattern: the program's name and the
# version it gives ("Trovana 1\.11"), so that no test spells a version.
title_start() {
    local version
    version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$trovana" --version | cut -d" " -f2)
    printf 'Trovana %s' "${version//./\\.}"
}
