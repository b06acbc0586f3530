#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds Trovana twice (plain, with Debian's
# hardening flags, and with AddressSanitizer + UndefinedBehaviorSanitizer),
# runs every test of both builds (the checks of files alone, such as the
# desktop entry and the source package, in the plain build only), checks that
# a packager's build without tests configures, then fuzzes the URL cache
# library for a minute, its targets side by side.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh
scripts/build.sh asan
# The release build compiles what build/ compiled, with the same flags: its
# configuration without GoogleTest is what remains to check.
cmake -S . -B build-release -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null

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
