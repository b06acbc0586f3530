# SPDX-License-Identifier: GPL-3.0-or-later
# What the benchmark scripts share; sourced, not run.

# The machine, the time and the load, for the record beside the figures.
describe_run() {
    echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'), load before: $(cut -d' ' -f1-3 /proc/loadavg)"
}

# The median of the numbers in $1 (separated by spaces).
median() { printf '%s\n' $1 | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# Starts PROGRAM with WINEPREFIX=PREFIX under the X server of $DISPLAY and
# prints "shown rows filled peak": the milliseconds until its window is on the
# screen, until the first rows of the All list are drawn, until the site tree
# shows sites below "All" (the scan has ended and the lists are filled), and
# its peak memory (VmHWM, MB) half a second after that. With EMPTY set to 1
# (a cache without entries) rows and filled are the time shown. Ends the
# program afterwards. The rows and the tree are seen in the window's pixels
# (build/bench/first_rows), at the places they take in the 800x600 window.
start_to_window() {
    local begin end rows filled window="" pid peak tries=0 seen
    # A fresh X server sometimes refuses the first client (GTK cannot start):
    # such a start is tried again.
    while [ -z "$window" ]; do
        begin=$(date +%s%N)
        WINEPREFIX="$1" "$2" ${3:+"$3"} 2>/dev/null &
        pid=$!
        while [ -z "$window" ]; do
            window=$(xdotool search --onlyvisible --name '^Trovana [0-9]+\.[0-9]+( - .*)?$' 2>/dev/null | head -n 1 || true)
            kill -0 "$pid" 2>/dev/null || break
            if (( $(date +%s%N) - begin > 120000000000 )); then
                kill "$pid"
                echo "no window after 2 minutes" >&2
                return 1
            fi
            [ -n "$window" ] || sleep 0.01
        done
        if [ -z "$window" ] && (( ++tries == 3 )); then
            echo "the program ended" >&2
            return 1
        fi
    done
    end=$(date +%s%N)
    rows=$end
    filled=$end
    if [ "${EMPTY:-0}" != 1 ]; then
        # The first rows' texts; then the sites' names below "All".
        seen=$(build/bench/first_rows "$window" 230 142 250 40 100 60000) && rows=$seen
        seen=$(build/bench/first_rows "$window" 70 118 110 40 100 60000) && filled=$seen
    fi
    sleep 0.5
    peak=$(awk '/VmHWM/ {print int($2 / 1024)}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$(( (end - begin) / 1000000 )) $(( (rows - begin) / 1000000 )) $(( (filled - begin) / 1000000 )) $peak"
}

# The numbers in $1 followed by their median: "3 1 2 (median 2)".
with_median() { echo "$1(median $(median "$1"))"; }
