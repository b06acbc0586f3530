#!/usr/bin/env bash
# Builds the Debian package of the build tree with CPack, checks what it
# declares and holds, unpacks it into ROOT (no root rights needed) and runs
# the packaged trovana-cache on a demo cache that it makes itself.
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

# The German catalogue as packaged translates the About box.
grep -qaF 'Über Trovana' "$root/usr/share/locale/de/LC_MESSAGES/trovana.mo" || fail "the German catalogue lacks the About box"

cache="$root/usr/bin/trovana-cache"
"$cache" --help | grep -q '^Usage: trovana-cache' || fail "trovana-cache --help"
"$cache" demo "$out/prefix" >/dev/null
rows=$("$cache" --prefix "$out/prefix" list --format csv | wc -l)
[ "$rows" -gt 100 ] || fail "the demo cache lists $rows lines"
echo "packaged trovana-cache listed the demo cache: $rows lines"
