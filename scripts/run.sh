#!/usr/bin/env bash
# Installs what is needed, builds Trovana, makes the demo cache in
# build/demo-prefix and opens it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh

demo="$PWD/build/demo-prefix"
if [ ! -d "$demo" ]; then
    build/tools/trovana-cache/trovana-cache demo "$demo"
fi
WINEPREFIX="$demo" build/tools/trovana-cache/trovana-cache list --format csv
