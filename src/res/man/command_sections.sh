#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the COMMANDS section of trovana-cache(1), in help2man's include
# format, from the program's own help: every command its --help lists, with
# that command's usage, arguments and options. A new command or option thus
# reaches the manual page without an edit here.
# Usage: command_sections.sh TROVANA_CACHE OUTPUT
set -euo pipefail
program=$1
output=$2

# Turns one command's --help into roff: the first line (what the command
# does), the usage line, then one tagged paragraph per argument and option.
# CLI11 puts an option's description on its own line when the option's
# column (30 characters wide) is full. The help option, CLI11's "Excludes:"
# notes and the footer are left out.
to_roff() {
    awk '
        function esc(s) { gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s); sub(/^[.'"'"']/, "\\\\\\&&", s); return s }
        function tag(s,   name, rest) {
            name = s; sub(/ .*/, "", name); rest = substr(s, length(name) + 1)
            return "\\fB" esc(name) "\\fR" esc(rest)
        }
        NR == 1 { print esc($0); next }
        /^Usage: / { sub(/^Usage: /, ""); print ".PP"; print "Usage: " esc($0); next }
        /^(Positionals|Options):$/ { section = 1; next }
        /^$/ { if (section) section = 0; next }
        !section { next }
        /^  -h,--help/ { next }
        # CLI11 notes which options exclude each other (the descriptions say
        # it): blanked, so that the columns stay where they are.
        match($0, / +Excludes:( +--[a-z-]+)+/) {
            $0 = substr($0, 1, RSTART - 1) sprintf("%" RLENGTH "s", "") substr($0, RSTART + RLENGTH)
            sub(/ +$/, "")
        }
        /^                              / { sub(/^ +/, ""); print esc($0); next }
        /^  [^ ]/ {
            # A name that reaches the column takes the whole line.
            split_at = (length($0) <= 30 || substr($0, 29, 2) == "  ") ? 30 : length($0)
            name = substr($0, 3, split_at - 2); sub(/ +$/, "", name)
            print ".TP"
            print tag(name)
            if (length($0) > split_at) print esc(substr($0, split_at + 1))
        }'
}

commands=$("$program" --help | awk '/^Subcommands:$/ { on = 1; next } on && /^  [^ ]/ { print $1 } on && /^$/ { exit }')
{
    echo "[COMMANDS]"
    for command in $commands; do
        echo ".SS $command"
        "$program" "$command" --help | to_roff
    done
} > "$output"
