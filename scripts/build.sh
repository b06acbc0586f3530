#!/usr/bin/env bash
# Builds Trovana with warnings as errors: `build.sh` into build/,
# `build.sh release` into build-release/ (optimised as a packager would build
# it), `build.sh asan` into build-asan/ with AddressSanitizer and
# UndefinedBehaviorSanitizer. Extra arguments go to `cmake --build`
# (e.g. `--target trovana-cache`).
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
    asan)
        shift
        dir=build-asan
        flags=(-DTROVANA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
    release)
        shift
        dir=build-release
        flags=(-DCMAKE_BUILD_TYPE=Release) ;;
    *)
        dir=build
        flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
esac
cmake -S . -B "$dir" -DTROVANA_WERROR=ON "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "$@"
