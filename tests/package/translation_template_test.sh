#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The translation template made by the build: the window's texts that a
# translator must see are in it (a text that loses its _() or wxTRANSLATE
# drops out), none of them is extracted twice with different plurals, and
# every catalogue in po/ translates texts that the program still has (an
# English text changed without the catalogues is caught); the template kept
# in po/ holds the same texts as the one the build extracts.
# Usage: translation_template_test.sh POT PO_DIR MSGMERGE
set -euo pipefail
pot=$1
po_dir=$2
msgmerge=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -s "$pot" ] || fail "no template $pot"

# One text of each kind of place: menus and their status prompts, the
# tool bar's captions, dialogs and their controls, messages, the status
# bar, column titles, tab names, the wait window, the About box, the help
# window and the command line.
expected=(
    '&File' '&Open Cache...\tCtrl+O' 'E&xit\tCtrl+Q' '&Edit' 'Delete &All' '&View' 'Times in &UTC' '&Help'
    '&About Trovana...' 'Open another cache: a Wine prefix, a user profile or a container file'
    'Delete all cache items' 'Refresh' 'Delete All' 'Ready' 'CAP'
    'About Trovana' 'Trovana Pro Version %s' 'Licence: GNU GPL version 3 or later' '%s Help' 'Wait ...' 'Collecting Data ...'
    'Open Cache' '&Caches found on this computer:' 'Size on Disk' '&Read-only: change nothing in the cache'
    'Choose a container file' 'Choose a User' 'No cache can be opened there:'
    'Search' 'URL keywords (use return key to input multiple keywords)' 'Between' 'Other Types'
    'Properties' 'Last accessed time' 'Hit Rate'
    'All' 'Visited Links' 'Script files, css, etc' 'Url' 'Access Time (UTC)' 'Search Results'
    ' (%d Items, %.2f M)   ' 'All records, read-only' 'State'
    'Delete Selected Cache Items?' 'Delete Cache Items Of %s ?' 'Cannot Delete %s' '%zu of %s could not be deleted:'
    'Copying Files...' 'Select destination folder' 'The file %s already exists in %s. Replace it?'
    'Export' 'The list is empty: there is nothing to export.'
    'CSV (*.csv)|*.csv|JSON Lines (*.jsonl)|*.jsonl|HTML report (*.html)|*.html'
    'open the cache without changing anything in it'
)
for text in "${expected[@]}"; do
    grep -qxF "msgid \"$text\"" "$pot" || fail "the template lacks \"$text\""
done
# Texts with a number have their plural too.
for text in '%zu caches found' '%zu rows exported to %s.' '%zu files'; do
    grep -qxF "msgid_plural \"$text\"" "$pot" || fail "the template lacks the plural \"$text\""
done
# The command-line tools are not translated: their texts stay out.
! grep -qF 'trovana-cache' "$pot" || fail "the template holds a text of the command-line tools"

# The template in the repository is current: the same texts, in the same
# order (the build target trovana_pot refreshes it).
texts() { grep -E '^msg(id|id_plural) ' "$1"; }
diff <(texts "$pot") <(texts "$po_dir/trovana.pot") >&2 ||
    fail "po/trovana.pot is out of date: cmake --build build --target trovana_pot"

catalogues=("$po_dir"/*.po)
[ -f "${catalogues[0]}" ] || fail "no catalogue in $po_dir"
for po in "${catalogues[@]}"; do
    # Merged with the template, a catalogue's texts that the program no
    # longer has become obsolete entries (#~).
    merged=$("$msgmerge" --quiet --no-fuzzy-matching "$po" "$pot" -o -)
    stale=$(grep '^#~ msgid' <<<"$merged" || true)
    [ -z "$stale" ] || fail "$(basename "$po") translates texts that the program no longer has: $stale"
done
echo "template: ${#expected[@]} window texts present; catalogues up to date: ${catalogues[*]##*/}"
