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
# The summary and the description are debian/control's, whose lines start
# with a space (" ." for an empty one); CPack indents them again.
file(READ ${PROJECT_SOURCE_DIR}/debian/control control)
string(REGEX MATCH "\nDescription: ([^\n]*)\n((( [^\n]*)\n?)*)" description "${control}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_MATCH_1}")
string(REGEX REPLACE "(^|\n) \\.?" "\\1" CPACK_PACKAGE_DESCRIPTION "${CMAKE_MATCH_2}")
string(STRIP "${CPACK_PACKAGE_DESCRIPTION}" CPACK_PACKAGE_DESCRIPTION)
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

# The documents Debian asks of every package: the licence (machine-readable,
# debian/copyright) and, as a native package, the changelog, made from
# NEWS.md as debian/changelog is. A build by debhelper (debian/rules) turns
# this off: dh installs debian's own.
option(TROVANA_PACKAGE_DOCS "Install the copyright and changelog.gz into the documentation folder" ON)
if(TROVANA_PACKAGE_DOCS)
    set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
    set(package_docs ${PROJECT_BINARY_DIR}/package-docs)
    # The script writes there; a fresh build tree lacks the folder.
    file(MAKE_DIRECTORY ${package_docs})
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
    install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright ${package_docs}/changelog.gz DESTINATION ${doc_dir})
endif()

include(CPack)
