#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a Debian changelog (the native package's changelog.gz, before
# compression) from NEWS.md: one entry per "## VERSION (YYYY-MM-DD)"
# heading, one "*" item per "- " item, wrapped to 78 columns.
# Usage: changelog_from_news.sh NEWS PACKAGE MAINTAINER OUTPUT
set -euo pipefail
news=$1
package=$2
maintainer=$3
output=$4

# One line per item: "V VERSION DATE" for a release, "I TEXT" for an item.
items=$(awk '
    function flush() { if (item != "") print "I " item; item = "" }
    /^## / { flush(); v = $2; d = $3; gsub(/[()]/, "", d); print "V " v " " d; next }
    /^- / { flush(); item = substr($0, 3); next }
    /^  +[^ ]/ && item != "" { sub(/^ +/, ""); item = item " " $0; next }
    { flush() }
    END { flush() }' "$news")

{
    version="" date=""
    end_entry() {
        [ -n "$version" ] || return 0
        echo
        echo " -- $maintainer  $(LC_ALL=C date -u -d "$date 12:00:00" -R)"
    }
    while IFS= read -r line; do
        case $line in
            V\ *)
                end_entry
                [ -z "$version" ] || echo
                read -r _ version date <<<"$line"
                echo "$package ($version) unstable; urgency=medium"
                echo ;;
            I\ *)
                fold -s -w 74 <<<"${line#I }" | sed -e 's/ *$//' -e '1s/^/  * /' -e '2,$s/^/    /' ;;
        esac
    done <<<"$items"
    end_entry
} >"$output"
[ -n "$(head -c1 "$output")" ] || { echo "no release in $news" >&2; exit 1; }
