#!/usr/bin/env bash
# Builds Trovana: `build.sh` into build/, `build.sh asan` into build-asan/
# with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "asan" ]; then
    dir=build-asan
    flags=(-DTROVANA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
else
    dir=build
    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
