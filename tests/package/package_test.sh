#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of the build tree with CPack, checks it with
# lintian and checks what it declares and holds, unpacks it into ROOT (no
# root rights needed) and runs the packaged programs: --version and --help
# without a display, trovana-cache on a demo cache that it makes itself.
# Usage: package_test.sh BUILD_DIR ROOT
set -euo pipefail
build=$1
root=$2

fail() { echo "FAIL: $*" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; fail "cpack -G DEB"; }
debs=("$out"/trovana_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single trovana_*.deb in: $(ls "$out")"
deb=${debs[0]}
echo "package: $(basename "$deb")"

# The dependencies come from the libraries the programs link.
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for library in 'libwx_gtk3u_core|libwxgtk3\.2' 'libwebkit2gtk-4\.0' 'libchm1' 'libc6 '; do
    grep -Eq "$library" <<<"$depends" || fail "Depends lacks $library"
done
[ "$(dpkg-deb --field "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
grep -q 'wx3\.2-i18n' <<<"$(dpkg-deb --field "$deb" Recommends)" || fail "Recommends lacks wx3.2-i18n"
version=$(dpkg-deb --field "$deb" Version)

# lintian: no error, no warning; the informational tags are shown.
lintian --no-tag-display-limit --display-info "$deb" >"$out/lintian.log" 2>&1 || true
cat "$out/lintian.log"
! grep -Eq '^[EW]: ' "$out/lintian.log" || fail "lintian reports errors or warnings"

# Every file where Debian and the desktop look for it.
contents=$(dpkg-deb --contents "$deb" | awk '{ print $NF }')
expected=(
    ./usr/bin/trovana
    ./usr/bin/trovana-cache
    ./usr/share/trovana/trovana.chm
    ./usr/share/applications/org.trovana.Trovana.desktop
    ./usr/share/metainfo/org.trovana.Trovana.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/trovana.svg
    ./usr/share/man/man1/trovana.1.gz
    ./usr/share/man/man1/trovana-cache.1.gz
    ./usr/share/bash-completion/completions/trovana-cache
    ./usr/share/bash-completion/completions/trovana
    ./usr/share/zsh/vendor-completions/_trovana-cache
    ./usr/share/fish/vendor_completions.d/trovana-cache.fish
    ./usr/share/mime/packages/trovana.xml
    ./usr/share/doc/trovana/copyright
    ./usr/share/doc/trovana/changelog.gz
    ./usr/share/locale/de/LC_MESSAGES/trovana.mo
)
for side in 16 22 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${side}x${side}/apps/trovana.png")
done
# Every catalogue that the build compiled from po/.
for mo in "$build"/locale/*/LC_MESSAGES/trovana.mo; do
    if [ -f "$mo" ]; then expected+=("./usr/share/locale/${mo#"$build/locale/"}"); fi
done
for file in "${expected[@]}"; do
    grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done
# Nothing but programs in usr/bin, nothing outside usr.
unexpected=$(grep -v -e '/$' -e '^\./usr/share/' -e '^\./usr/bin/trovana$' -e '^\./usr/bin/trovana-cache$' <<<"$contents" || true)
[ -z "$unexpected" ] || fail "files out of place: $unexpected"

rm -rf "$root"
mkdir -p "$root"
dpkg-deb --extract "$deb" "$root"

# Each PNG icon is as large as its folder says.
for side in 16 22 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${side}x${side}/apps/trovana.png"
    size=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$size" = "${side}x${side}" ] || fail "$png is $size"
done

# The metadata as installed: the component, its desktop entry and its icon
# together.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

# The licence, machine-readable, and the changelog of this version.
copyright="$root/usr/share/doc/trovana/copyright"
head -n1 "$copyright" | grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright is not machine-readable"
grep -qx 'License: GPL-3+' "$copyright" || fail "copyright names no GPL-3+"
zcat "$root/usr/share/doc/trovana/changelog.gz" | head -n1 | grep -q "^trovana ($version) " ||
    fail "changelog.gz does not begin with version $version"

# The manual pages name the package's paths, and the programs carry neither
# /usr/local nor the build folder.
manual=$(zcat "$root/usr/share/man/man1/trovana.1.gz")
for path in /usr/share/trovana/trovana.chm /usr/share/locale/LANG; do
    grep -qF "$path" <<<"$manual" || fail "trovana(1) does not name $path"
done
for file in "$root"/usr/share/man/man1/*.gz "$root"/usr/bin/*; do
    ! zgrep -aqF -e /usr/local -e "$(realpath "$build")" "$file" || fail "$file names /usr/local or the build folder"
done

# --version and --help on standard output, exit status 0, without a display.
for program in trovana trovana-cache; do
    without_display=(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program")
    [ "$("${without_display[@]}" --version 2>"$out/stderr")" = "$program $version" ] && [ ! -s "$out/stderr" ] ||
        fail "$program --version"
    help=$("${without_display[@]}" --help 2>"$out/stderr") && [ ! -s "$out/stderr" ] || fail "$program --help"
    # Output that cannot be written is a failure, said once, by both alike.
    for option in --version --help; do
        status=0
        "${without_display[@]}" "$option" >/dev/full 2>"$out/stderr" || status=$?
        [ "$status" -eq 1 ] && [ "$(wc -l <"$out/stderr")" -eq 1 ] && grep -q "No space left on device" "$out/stderr" ||
            fail "$program $option >/dev/full: status $status, $(cat "$out/stderr")"
    done
    options=(--help --version --read-only)
    [ "$program" = trovana-cache ] || options+=(--verbose)
    for option in "${options[@]}"; do
        grep -qE -- "$option\b" <<<"$help" || fail "$program --help lacks $option"
    done
done

# The file types as shared-mime-info compiles them: index.dat by both
# signatures, the WebCache database by its name.
cp -r "$root/usr/share/mime" "$out/mime"
update-mime-database "$out/mime" 2>/dev/null || fail "update-mime-database"
for signature in 'Client UrlCache MMF Ver ' 'WINE URLCache Ver '; do
    grep -qaF "$signature" "$out/mime/magic" || fail "no magic for '$signature'"
done
grep -qF 'application/x-wininet-webcache:webcachev01.dat' "$out/mime/globs" || fail "no glob for WebCacheV01.dat"

# The German catalogue as packaged translates the About box.
grep -qaF 'Über Trovana' "$root/usr/share/locale/de/LC_MESSAGES/trovana.mo" || fail "the German catalogue lacks the About box"

cache="$root/usr/bin/trovana-cache"
"$cache" --help | grep -q '^Usage: trovana-cache' || fail "trovana-cache --help"
"$cache" demo "$out/prefix" >/dev/null
rows=$("$cache" --prefix "$out/prefix" list --format csv | wc -l)
[ "$rows" -gt 100 ] || fail "the demo cache lists $rows lines"
echo "packaged trovana-cache listed the demo cache: $rows lines"
