#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Trovana with warnings as errors: `build.sh` into build/ (with the
# tests, and with Debian's hardening flags from dpkg-buildflags: fortify,
# stack protector, format checks, relro and bindnow, so that the tests run
# on what a package holds and no second build is needed to check those
# flags' warnings), `build.sh release` into build-release/ (the programs
# alone, optimised and hardened as Debian builds packages), `build.sh asan`
# into build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer.
# build/ and build-release/ install to /usr, where the Debian package puts
# the programs, so that their manual pages and programs name the package's
# paths. Extra arguments go to `cmake --build` (e.g. `--target
# trovana-cache`).
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
        # As debhelper does: CMake reads no CPPFLAGS, so they join the
        # compilers' flags; the file prefix map keeps this folder's path out
        # of the programs.
        eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
        flags=(-DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF
               "-DCMAKE_C_FLAGS=$CPPFLAGS $CFLAGS" "-DCMAKE_CXX_FLAGS=$CPPFLAGS $CXXFLAGS"
               "-DCMAKE_EXE_LINKER_FLAGS=$LDFLAGS" "-DCMAKE_SHARED_LINKER_FLAGS=$LDFLAGS") ;;
    *)
        dir=build
        # The hardening flags alone: the build type gives -O2 -g, and the
        # file prefix map would hide the source paths the tests print.
        eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
        hardening=()
        for flag in $CPPFLAGS $CXXFLAGS; do
            case $flag in -g | -O2 | -ffile-prefix-map=*) ;; *) hardening+=("$flag") ;; esac
        done
        flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
               "-DCMAKE_C_FLAGS=${hardening[*]}" "-DCMAKE_CXX_FLAGS=${hardening[*]}"
               "-DCMAKE_EXE_LINKER_FLAGS=$LDFLAGS" "-DCMAKE_SHARED_LINKER_FLAGS=$LDFLAGS") ;;
esac
cmake -S . -B "$dir" -DTROVANA_WERROR=ON "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "$@"
