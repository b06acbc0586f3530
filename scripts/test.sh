#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds Trovana three times (plain, optimised as a
# packager builds it, and with AddressSanitizer + UndefinedBehaviorSanitizer),
# runs every test of the plain and sanitizer builds (the optimised build only
# has to build without warnings), then fuzzes the URL cache library for a
# minute per target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh
scripts/build.sh release
scripts/build.sh asan

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for dir in build build-asan; do
    echo "== Tests in $dir"
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" || status=1
done
echo "== Fuzzing the URL cache library"
scripts/fuzz.sh 60 || status=1
exit $status
