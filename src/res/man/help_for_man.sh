#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs trovana-cache and passes its --help on for help2man without CLI11's
# layout marks: "-h,--help" becomes "-h, --help", the options' "Excludes:"
# notes go (the page says which options exclude each other), and the list
# of commands goes (the COMMANDS section describes each one).
# Usage: help_for_man.sh TROVANA_CACHE ARGUMENT...
set -euo pipefail
program=$1
shift
"$program" "$@" | awk '
    /^Subcommands:$/ { skip = 1; next }
    skip && /^$/ { skip = 0; next }
    skip { next }
    { sub(/ +Excludes:( +--[a-z-]+)+/, ""); sub(/^  -h,--help /, "  -h, --help"); print }'
