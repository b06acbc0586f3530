# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in the build tree makes trovana_VERSION_ARCH.deb of
# everything `cmake --install` installs, under /usr. Its dependencies are
# the Debian packages of the libraries the programs link, found by
# dpkg-shlibdeps (Debian package dpkg-dev). The build tree should be
# configured with -DCMAKE_INSTALL_PREFIX=/usr (scripts/build.sh does), so
# that the manual pages and the programs name the paths the package uses;
# `scripts/build.sh release` adds Debian's hardening flags.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME trovana)
set(CPACK_PACKAGE_VENDOR "${TROVANA_MAINTAINER_NAME}")
set(CPACK_PACKAGE_CONTACT "${TROVANA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer of WinINet URL caches (Wine prefixes, Windows profiles)")
# A few lines of at most 80 columns; CPack indents them.
set(CPACK_PACKAGE_DESCRIPTION [=[
Trovana shows the WinINet URL cache of a Wine prefix or of a copied Windows
user profile: cached pages, images, cookies and visited links, as a site
tree, category tabs and sortable lists with a browser preview and an image
gallery. It searches, copies out and deletes entries, changing the index.dat
containers the way WinINet does, so that Wine goes on using the cache.

The command-line tool trovana-cache lists, adds and deletes entries, lists
the caches of the computer (Wine, Steam's Proton, Bottles, Lutris,
PlayOnLinux), writes a timeline and shows the records a cache still holds
of deleted entries.]=])
set(CPACK_PACKAGE_INSTALL_DIRECTORY trovana)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TROVANA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The disk image libraries are loaded at run time (src/platform/image), where
# dpkg-shlibdeps does not see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libewf2, libvmdk1, libvhdi1, libqcow1, libfsntfs1, libvshadow1")
# wxWidgets' own texts (its stock dialogs) in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wx3.2-i18n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")

# The documents Debian asks of every package: the licence (machine-readable)
# and, as a native package, the changelog, made from NEWS.md.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
set(package_docs ${PROJECT_BINARY_DIR}/package-docs)
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${package_docs}/copyright @ONLY)
find_program(GZIP gzip REQUIRED)
set(news ${PROJECT_SOURCE_DIR}/NEWS.md)
set(changelog_script ${CMAKE_CURRENT_LIST_DIR}/changelog_from_news.sh)
add_custom_command(OUTPUT ${package_docs}/changelog.gz
    COMMAND ${changelog_script} ${news} ${CPACK_PACKAGE_NAME} "${TROVANA_MAINTAINER}" ${package_docs}/changelog
    COMMAND ${GZIP} -n -9 -f ${package_docs}/changelog
    DEPENDS ${news} ${changelog_script}
    COMMENT "Making the package's changelog from NEWS.md"
    VERBATIM)
add_custom_target(trovana_package_docs ALL DEPENDS ${package_docs}/changelog.gz)
install(FILES ${package_docs}/copyright ${package_docs}/changelog.gz DESTINATION ${doc_dir})

include(CPack)
