#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the zsh and fish completions of trovana-cache from the program's
# own help, read with the same functions as the bash completion (in
# trovana-cache beside this script): the commands, each one's options and
# arguments, and what an option's value is (a list of words, a folder, a
# file or any path).
# Usage: generate.sh TROVANA_CACHE ZSH_OUTPUT FISH_OUTPUT
set -euo pipefail
program=$1
zsh_output=$2
fish_output=$3
# shellcheck source=trovana-cache
source "$(dirname "$0")/trovana-cache"

main_help=$(_trovana_cache_help "$program" "")
commands=$(_trovana_cache_section "Subcommands:" <<<"$main_help" | cut -d' ' -f1)

# What completes a value of TYPE, in zsh's _arguments terms.
zsh_action() {
    case $1 in
        *{*}*) local words=${1#*\{}; words=${words%%\}*}; echo "(${words//,/ })" ;;
        DIR) echo "_files -/" ;;
        FILE | PATH | IMAGE) echo "_files" ;;
        *) echo " " ;;
    esac
}

# One _arguments entry a line for the options of a help text.
zsh_specs() {
    while read -r name type; do
        [ -n "$name" ] || continue
        if [ -z "$type" ]; then
            echo "    '$name'"
        else
            echo "    '$name=:${name#--}:$(zsh_action "$type")'"
        fi
    done < <(_trovana_cache_section "Options:" <<<"$1")
}

# fish's words for one option of TYPE.
fish_value() {
    case $1 in
        "") echo "" ;;
        *{*}*) local words=${1#*\{}; words=${words%%\}*}; echo "-x -a '${words//,/ }'" ;;
        DIR) echo "-x -a '(__fish_complete_directories)'" ;;
        FILE | PATH | IMAGE) echo "-r -F" ;;
        *) echo "-x" ;;
    esac
}

fish_lines() {
    local condition=$1 help=$2
    while read -r name type; do
        [[ $name == --* ]] || continue
        echo "complete -c trovana-cache -n '$condition' -l ${name#--} $(fish_value "$type")" | sed 's/ *$//'
    done < <(_trovana_cache_section "Options:" <<<"$help")
}

{
    echo "#compdef trovana-cache"
    echo "# zsh completion for trovana-cache, made from the program's help by generate.sh."
    echo
    echo "_trovana_cache() {"
    echo "  local curcontext=\$curcontext state line"
    echo "  local -a main_options=("
    zsh_specs "$main_help"
    echo "  )"
    echo "  _arguments -C \$main_options ': :($(xargs <<<"$commands"))' '*:: :->arguments'"
    echo "  [[ \$state == arguments ]] || return"
    echo "  case \$words[1] in"
    for command in $commands; do
        help=$(_trovana_cache_help "$program" "$command")
        argument=$(_trovana_cache_section "Positionals:" <<<"$help" | head -n 1 | cut -d' ' -f1)
        echo "    $command) _arguments \$main_options \\"
        zsh_specs "$help" | sed 's/^/  /; s/$/ \\/'
        if [ -n "$argument" ]; then
            echo "      '*:${argument,,}:$(zsh_action "$argument")' ;;"
        else
            echo "      ;;"
        fi
    done
    echo "  esac"
    echo "}"
    echo
    echo '_trovana_cache "$@"'
} >"$zsh_output"

{
    echo "# fish completion for trovana-cache, made from the program's help by generate.sh."
    echo "complete -c trovana-cache -f"
    echo "complete -c trovana-cache -n __fish_use_subcommand -a '$(xargs <<<"$commands")'"
    fish_lines "true" "$main_help"
    for command in $commands; do
        help=$(_trovana_cache_help "$program" "$command")
        fish_lines "__fish_seen_subcommand_from $command" "$help"
        argument=$(_trovana_cache_section "Positionals:" <<<"$help" | head -n 1 | cut -d' ' -f1)
        case $argument in
            DIR) echo "complete -c trovana-cache -n '__fish_seen_subcommand_from $command' -a '(__fish_complete_directories)'" ;;
            FILE | PATH | IMAGE) echo "complete -c trovana-cache -n '__fish_seen_subcommand_from $command' -F" ;;
        esac
    done
} >"$fish_output"
