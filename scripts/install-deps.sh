#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building, running and testing Trovana
# need. Packages already installed are skipped, so a second run is quick.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libcli11-dev
    libpng-dev libjpeg62-turbo-dev libgif-dev
    libwxgtk3.2-dev libwxgtk-webview3.2-dev libwebkit2gtk-4.0-dev
    xvfb xauth xdotool imagemagick
    wine wine64 gcc-mingw-w64-x86-64
    fp-utils libchm-dev
    clang-14 libclang-rt-14-dev
    libmsiecf-utils libesedb-utils hyperfine
    libssl-dev libicu-dev
    dpkg-dev debhelper file desktop-file-utils appstream help2man librsvg2-bin man-db bsdextrautils lintian
    gettext
    libbfio-dev libewf-dev libvmdk-dev libvhdi-dev libqcow-dev libfsntfs-dev libvshadow-dev libhivex-dev
    ntfs-3g ewf-tools qemu-utils fdisk sleuthkit zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
