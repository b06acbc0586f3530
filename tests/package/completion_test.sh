#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the bash completions of trovana-cache and trovana as bash does on a
# Tab: with the words of a command line in COMP_WORDS, the built program
# reading its own help, and checks the words they offer; then checks that
# the zsh and fish completions made from the same help complete paths.
# Usage: completion_test.sh SOURCE_DIR TROVANA_CACHE GENERATED_DIR
set -uo pipefail
# shellcheck disable=SC1090,SC1091
source "$1/trovana-cache"
# shellcheck disable=SC1090,SC1091
source "$1/trovana"
program=$2
generated=$3

failures=0
checks=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/folder"
touch "$work/file"
cd "$work"

# expect "WORDS OFFERED" WORD...: the words after the program, the last one
# being completed, as bash splits them ("=" is a word of its own).
expect() {
    local want=$1
    shift
    COMP_WORDS=("$program" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    "${complete_function:-_trovana_cache}"
    checks=$((checks + 1))
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    if [ "$got" != "$want" ]; then
        echo "FAIL: [$*]: offered '$got', expected '$want'"
        failures=$((failures + 1))
    fi
}

# The commands, then the options of the program and of the command.
expect "add caches delete demo info list timeline" ""
expect "delete demo" "d"
expect "--codepage --container --help --image --in --path --prefix --profile --read-only --source-tz --version" "--"
expect "--catalogue --codepage --container" list --c
expect "--header --help --hit-rate" add --no-file --h
expect "--expire --extension" add --e
# An option's value, given apart or after "=".
expect "csv jsonl" list --format ""
expect "csv" timeline --format = c
expect "filetime iso-utc" info --times =
expect "folder" --prefix ""
expect "file folder" add --body ""
# Every option that takes a path completes one.
expect "file folder" --path ""
expect "file folder" --container ""
expect "file folder" --image ""
expect "folder" --profile =
expect "" add --type ""
# A value that looks like a command is still a value; the command follows.
expect "add caches delete demo info list timeline" --prefix list ""
expect "--catalogue --codepage --container" --prefix folder list --c
# The command's own arguments: a folder for demo, nothing for URLs.
expect "folder" demo ""
expect "" delete ""

# trovana: its options, and a path as its argument.
complete_function=_trovana expect "--help --read-only --verbose --version" "--"
complete_function=_trovana expect "file folder" ""
complete_function=_trovana expect "file folder" --read-only ""

# zsh and fish complete paths after the same options, and the commands.
check_line() {
    checks=$((checks + 1))
    if ! grep -qE -- "$2" "$generated/$1"; then
        echo "FAIL: $1 has no line like '$2'"
        failures=$((failures + 1))
    fi
}
check_line _trovana-cache "^    '--path=:path:_files'\$"
check_line _trovana-cache "^    '--prefix=:prefix:_files -/'\$"
check_line _trovana-cache "^      '--body=:body:_files' "
check_line _trovana-cache "^      '--format=:format:[(]jsonl csv[)]' "
check_line _trovana-cache ":[(]list info delete add timeline demo caches[)]'"
check_line trovana-cache.fish "^complete -c trovana-cache -n 'true' -l path -r -F\$"
check_line trovana-cache.fish "^complete -c trovana-cache -n '__fish_seen_subcommand_from add' -l body -r -F\$"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
