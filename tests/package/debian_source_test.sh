#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian source package (debian/) without building it: its
# changelog is the one NEWS.md makes, its version and maintainer are the
# project's, and lintian reports no error or warning on the source package
# that dpkg-source makes of the checkout's files.
# Usage: debian_source_test.sh SOURCE_DIR VERSION MAINTAINER
set -euo pipefail
source_dir=$(realpath "$1")
version=$2
maintainer=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$source_dir/cmake/changelog_from_news.sh" "$source_dir/NEWS.md" trovana "$maintainer" "$out/changelog"
diff -u "$source_dir/debian/changelog" "$out/changelog" ||
    fail "debian/changelog is not made from NEWS.md (cmake/changelog_from_news.sh makes it)"
[ "$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)" = "$version" ] ||
    fail "debian/changelog's version is not $version"
grep -qxF "Maintainer: $maintainer" "$source_dir/debian/control" || fail "debian/control's maintainer is not $maintainer"

# The source package of the files the repository holds (not the build trees).
tree="$out/trovana-$version"
mkdir -p "$tree"
if git -C "$source_dir" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$source_dir" && git ls-files --cached --others --exclude-standard -z |
        xargs -0 cp --parents --no-dereference -t "$tree" 2>/dev/null) || true
else
    (cd "$source_dir" && find . -path './build*' -prune -o -type f -print0 | xargs -0 cp --parents -t "$tree")
fi
(cd "$out" && dpkg-source -b "trovana-$version" >"$out/source.log" 2>&1) || { cat "$out/source.log"; fail "dpkg-source -b"; }
lintian --tag-display-limit 0 --display-info "$out/trovana_$version.dsc" >"$out/lintian.log" 2>&1 || true
cat "$out/lintian.log"
! grep -Eq '^[EW]: ' "$out/lintian.log" || fail "lintian reports errors or warnings on the source package"
echo "debian/ is in step with NEWS.md and lintian passes the source package trovana_$version.dsc"
