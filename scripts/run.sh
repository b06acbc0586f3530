#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds Trovana, makes the demo cache in
# build/demo-prefix and opens it in the Trovana window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh

demo="$PWD/build/demo-prefix"
if [ ! -d "$demo" ]; then
    build/tools/trovana-cache/trovana-cache demo "$demo"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to open the window on; the demo cache as a list instead:"
    WINEPREFIX="$demo" build/tools/trovana-cache/trovana-cache list --format csv
    exit 0
fi
WINEPREFIX="$demo" build/src/app/trovana
