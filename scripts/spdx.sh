#!/usr/bin/env bash
# Puts the licence line "SPDX-License-Identifier: GPL-3.0-or-later" at the
# top of every source file of the project (C and C++, CMake, shell, Python,
# shell completions) that lacks it, in the file's comment syntax, after a
# first line that must stay first (#!, #compdef). With --check it changes
# nothing and lists the files without the line (exit status 1 when any).
# Usage: spdx.sh [--check] [SOURCE_DIR]
set -euo pipefail
check=false
if [ "${1:-}" = --check ]; then
    check=true
    shift
fi
root=${1:-$(dirname "$0")/..}
cd "$root"
readonly line="SPDX-License-Identifier: GPL-3.0-or-later"

# The project's files: those git knows, else every file but the build trees.
files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files --cached --others --exclude-standard
    else
        find . -path './build*' -prune -o -type f -print | sed 's|^\./||'
    fi
}

# The comment that carries the line, or nothing for a file that is not source.
comment_for() {
    case $1 in
        */samples/*) ;;
        *.cpp | *.h | *.c | *.cc | *.hpp | *.h.in) echo "// $line" ;;
        CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh | *.sh.in | *.py | *.fish) echo "# $line" ;;
        src/res/completion/* | debian/rules) echo "# $line" ;;
    esac
}

missing=0
while IFS= read -r file; do
    [ -f "$file" ] || continue
    comment=$(comment_for "$file")
    [ -n "$comment" ] || continue
    head -n 3 "$file" | grep -qF "$line" && continue
    missing=$((missing + 1))
    if $check; then
        echo "$file"
        continue
    fi
    first=$(head -n 1 "$file")
    if [[ $first == '#!'* || $first == '#compdef'* ]]; then
        { echo "$first"; echo "$comment"; tail -n +2 "$file"; } >"$file.spdx"
    else
        { echo "$comment"; cat "$file"; } >"$file.spdx"
    fi
    chmod --reference="$file" "$file.spdx"
    mv "$file.spdx" "$file"
done < <(files | sort)

if $check && [ "$missing" -gt 0 ]; then
    echo "$missing source files lack the line '$line' (scripts/spdx.sh adds it)" >&2
    exit 1
fi
$check || echo "added the licence line to $missing files"
