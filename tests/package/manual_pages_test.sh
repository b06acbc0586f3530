#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the built manual pages: man formats them without a warning;
# trovana-cache(1) describes every command that trovana-cache --help lists,
# with that command's options, once and without CLI11's layout marks; it and
# the README name every output field of list, timeline and caches; trovana(1)
# names every option and the files the program writes.
# Usage: manual_pages_test.sh MAN_DIR TROVANA_CACHE README
set -euo pipefail
man_dir=$1
program=$2
readme=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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
# CLI11's marks stay out, and the commands are listed in COMMANDS alone.
! grep -qE 'Excludes:|-h,--help|^Subcommands:' <<<"$text" || fail "trovana-cache(1) carries CLI11's layout marks"
[ "$(grep -c '^ *list  *every entry' <<<"$text")" -le 1 ] || fail "trovana-cache(1) lists the commands twice"

# Every output field, as the program writes it, is explained in
# trovana-cache(1)'s OUTPUT FIELDS section and in the README (the _utc
# copies of the times are explained once, as NAME_utc, and the _hex copies
# of texts once, as NAME_hex).
"$program" demo "$work/prefix" >/dev/null
fields=$(
    "$program" --prefix "$work/prefix" list --format csv --catalogue --recovered --times iso-utc | head -n1
    "$program" --prefix "$work/prefix" timeline --format csv | head -n1
    HOME=$work "$program" caches --format csv | head -n1
)
fields=$(tr ',' '\n' <<<"$fields" | tr -d '\r' | grep -v -e '_utc$' -e '_hex$' | sort -u)
section=$(awk '/^OUTPUT FIELDS/ { on = 1; next } on && /^[A-Z]/ { exit } on' <<<"$text")
readme_section=$(awk '/^## Output fields/ { on = 1; next } on && /^## / { exit } on' "$readme")
for field in $fields; do
    grep -qE "^       ([a-z_]+, )*$field(,| |$)" <<<"$section" || fail "trovana-cache(1) does not explain the field $field"
    grep -qF "\`$field\`" <<<"$readme_section" || fail "the README does not explain the field $field"
done
for status in 0 1 2; do
    grep -qE "^       $status( |$)" <<<"$(awk '/^EXIT STATUS/ { on = 1; next } on && /^[A-Z]/ { exit } on' <<<"$text")" ||
        fail "trovana-cache(1) does not explain the exit status $status"
done

# trovana(1): every option, and every file the program writes.
window=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_dir/trovana.1.gz" 2>/dev/null | col -b)
for name in -h --help --verbose --version --read-only XDG_CONFIG_HOME/trovana/trovana.conf XDG_CACHE_HOME/trovana \
    '~/.trovana' 'Recent Caches' TMPDIR/trovana GPL-3.0-or-later; do
    grep -qF -- "$name" <<<"$window" || fail "trovana(1) does not name $name"
done
for status in 0 1 2 '128 \+ N'; do
    grep -qE "^       $status( |$)" <<<"$(awk '/^EXIT STATUS/ { on = 1; next } on && /^[A-Z]/ { exit } on' <<<"$window")" ||
        fail "trovana(1) does not explain the exit status $status"
done
echo "manual pages: formatted without warnings; $(wc -w <<<"$commands") commands and $(wc -w <<<"$fields") fields described"
