# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion for trovana, the window: its options and a cache's path.
complete -c trovana -l read-only -d 'open the cache without changing anything in it'
complete -c trovana -l verbose -d 'generate verbose log messages'
complete -c trovana -s h -l help -d 'show the help'
complete -c trovana -l version -d 'show the version'
