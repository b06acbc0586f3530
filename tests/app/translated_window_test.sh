#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window in another language, as a person who has one set sees it:
# a catalogue made here for Latin (a language that wx knows and Trovana
# does not ship), put where an installed program looks (share/locale beside
# its bin folder), renames the Help menu and the About box, and the menu
# opens by its new mnemonic from the keyboard; the built program without
# that catalogue stays in English; and the shipped German catalogue, found
# in the build tree, gives the German About box.
# Usage: translated_window_test.sh TROVANA MAKE_CACHE MSGFMT
set -euo pipefail
trovana=$1
make_cache=$2
msgfmt=$3

source "$(dirname "$0")/window_script.sh"
unset TROVANA_PROFILE WINEPREFIX XDG_CONFIG_HOME XDG_DATA_HOME LC_ALL LC_MESSAGES LANG LANGUAGE
export HOME="$work/home"
"$make_cache" "$HOME/.wine"

# An installed tree: bin/trovana and share/locale/la/LC_MESSAGES/trovana.mo.
mkdir -p "$work/tree/bin" "$work/tree/share/locale/la/LC_MESSAGES"
cp "$trovana" "$work/tree/bin/trovana"
cat >"$work/la.po" <<'EOF'
msgid ""
msgstr ""
"Project-Id-Version: Trovana test\n"
"PO-Revision-Date: 2026-01-01 00:00+0000\n"
"Last-Translator: test\n"
"Language-Team: test\n"
"Language: la\n"
"MIME-Version: 1.0\n"
"Content-Type: text/plain; charset=UTF-8\n"
"Content-Transfer-Encoding: 8bit\n"

msgid "&Help"
msgstr "&Kilfe"

msgid "&About Trovana..."
msgstr "&Zu Trovana..."

msgid "About Trovana"
msgstr "Zu Trovana (la)"
EOF
"$msgfmt" --check -o "$work/tree/share/locale/la/LC_MESSAGES/trovana.mo" "$work/la.po"

# Starts PROGRAM in LANGUAGE, opens the About box with the keys given, checks
# its title and closes the box and the program.
about_box() {  # PROGRAM LANGUAGE MENU-KEY ITEM-KEY TITLE
    LANGUAGE=$2 LC_MESSAGES=$2 "$1" "$HOME/.wine" &
    pid=$!
    window=$(wait_window '^Trovana [0-9.]+ - \.wine$') || fail "no main window in $2"
    xdotool mousemove --window "$window" 200 200
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 0.5
    xdotool key "alt+$3"
    sleep 0.5
    xdotool key "$4"
    box=$(wait_window "^$5\$") || fail "alt+$3 $4 opened no window titled '$5' in $2"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key Escape
    gone_window "^$5\$" || fail "the box '$5' did not close"
    xdotool mousemove --window "$window" 200 200
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key ctrl+q
    wait_exit "Ctrl+Q in $2"
}

about_box "$work/tree/bin/trovana" la k z 'Zu Trovana \(la\)'
about_box "$trovana" la h a 'About Trovana'
about_box "$trovana" de h b 'Über Trovana'
echo "translated window: made-up catalogue installed, English without it, German from the build tree"
