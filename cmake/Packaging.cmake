# `cpack -G DEB` in the build tree makes trovana_VERSION_ARCH.deb of
# everything `cmake --install` installs, under /usr. Its dependencies are
# the Debian packages of the libraries the programs link, found by
# dpkg-shlibdeps (Debian package dpkg-dev).
set(CPACK_PACKAGE_NAME trovana)
set(CPACK_PACKAGE_VENDOR "Trovana")
set(CPACK_PACKAGE_CONTACT "Trovana <packages@trovana.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer of WinINet URL caches (Wine prefixes, Windows profiles)")
set(CPACK_PACKAGE_DESCRIPTION
    "Trovana shows the WinINet URL cache of a Wine prefix or of a copied Windows user profile: \
cached pages, images, cookies and visited links, as a site tree, category tabs and sortable lists \
with a browser preview and an image gallery. It searches, copies out and deletes entries, changing \
the index.dat containers the way WinINet does. The command-line tool trovana-cache lists, adds and \
deletes entries and writes a timeline.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY trovana)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TROVANA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")

include(CPack)
