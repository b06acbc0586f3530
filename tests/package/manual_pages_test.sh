#!/usr/bin/env bash
# Checks the built manual pages: man formats them without a warning, and
# trovana-cache(1) describes every command that trovana-cache --help lists,
# with that command's options.
# Usage: manual_pages_test.sh MAN_DIR TROVANA_CACHE
set -euo pipefail
man_dir=$1
program=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

for page in trovana trovana-cache; do
    file="$man_dir/$page.1.gz"
    [ -s "$file" ] || fail "no $file"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page(1): $warnings"
done

text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_dir/trovana-cache.1.gz" 2>/dev/null | col -b)
grep -q '^NAME' <<<"$text" && grep -q 'trovana-cache - list and change a WinINet URL cache' <<<"$text" ||
    fail "trovana-cache(1) has no NAME line"
commands=$("$program" --help | awk '/^Subcommands:$/ { on = 1; next } on && /^  [^ ]/ { print $1 } on && /^$/ { exit }')
[ -n "$commands" ] || fail "no commands in trovana-cache --help"
# Each command's section runs from its heading to the next one.
for command in $commands; do
    section=$(awk -v c="$command" '$0 == "   " c { on = 1; next } on && /^   [^ ]/ { exit } on' <<<"$text")
    [ -n "$section" ] || fail "trovana-cache(1) has no section for $command"
    grep -q "Usage: trovana-cache $command" <<<"$section" || fail "$command: no usage line"
    for option in $("$program" "$command" --help | grep -oE '^  --[a-z-]+' | grep -v -- '--help'); do
        grep -qE "^ +$option( |$)" <<<"$section" || fail "$command: the page lacks $option"
    done
done
echo "manual pages: formatted without warnings; $(wc -w <<<"$commands") commands described"
