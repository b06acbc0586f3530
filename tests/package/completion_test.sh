#!/usr/bin/env bash
# Runs the bash completion of trovana-cache as bash does on a Tab: with the
# words of a command line in COMP_WORDS, the built program reading its own
# help, and checks the words it offers.
# Usage: completion_test.sh COMPLETION TROVANA_CACHE
set -uo pipefail
# shellcheck disable=SC1090
source "$1"
program=$2

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
    _trovana_cache
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
expect "--container --help --path --prefix --profile --read-only" "--"
expect "--catalogue --container" list --c
expect "--header --help --hit-rate" add --no-file --h
expect "--expire --extension" add --e
# An option's value, given apart or after "=".
expect "csv jsonl" list --format ""
expect "csv" timeline --format = c
expect "filetime iso-utc" info --times =
expect "folder" --prefix ""
expect "file folder" add --body ""
expect "" add --type ""
# A value that looks like a command is still a value; the command follows.
expect "add caches delete demo info list timeline" --prefix list ""
expect "--catalogue --container" --prefix folder list --c
# The command's own arguments: a folder for demo, nothing for URLs.
expect "folder" demo ""
expect "" delete ""

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
