#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on an X server of its own: `xvfb_run.sh [-s "SERVER ARGS"] COMMAND...`.
# Xvfb picks a free display number itself (-displayfd) and says it once it
# accepts clients, so runs from several build trees at once never share or
# fight over a server, as xvfb-run -a's guess of a free number can. The
# server is not reset when its last client leaves, which can refuse a
# program started just then ("Unable to initialize GTK+").
set -u
server_args="-screen 0 1024x768x24"
if [ "${1:-}" = "-s" ]; then
    server_args=$2
    shift 2
fi
number_file=$(mktemp)
# shellcheck disable=SC2086  # the server's arguments are words
Xvfb -displayfd 3 -nolisten tcp -noreset $server_args 3>"$number_file" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$number_file"' EXIT
for _ in $(seq 200); do
    [ -s "$number_file" ] && break
    kill -0 "$server" 2>/dev/null || { echo "xvfb_run.sh: Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done
[ -s "$number_file" ] || { echo "xvfb_run.sh: Xvfb gave no display number" >&2; exit 1; }
DISPLAY=:$(head -n 1 "$number_file") "$@"
