# SPDX-License-Identifier: GPL-3.0-or-later
# What the project says about itself, set once here and used everywhere:
# the version (project()), the web addresses and the maintainer. The
# programs read them from the generated header project_info.h (target
# trovana_project_info); the metadata, the manual pages, the translation
# template and the Debian package read the variables.
set(TROVANA_HOMEPAGE "https://trovana.org/" CACHE STRING "The program's web page")
set(TROVANA_BUG_TRACKER "https://trovana.org/bugs/" CACHE STRING "Where users report bugs")
set(TROVANA_SCREENSHOT_URL "https://trovana.org/screenshot.png" CACHE STRING
    "Where software centres fetch the screenshot (the README's docs/screenshot.png) from")
set(TROVANA_MAINTAINER_NAME "Trovana" CACHE STRING "The maintainer's name")
set(TROVANA_MAINTAINER_EMAIL "packages@trovana.org" CACHE STRING "The maintainer's address")
set(TROVANA_MAINTAINER "${TROVANA_MAINTAINER_NAME} <${TROVANA_MAINTAINER_EMAIL}>")
set(TROVANA_LICENSE "GPL-3.0-or-later")

# The release's date, from its heading in NEWS.md ("## 1.11 (2026-12-08)"),
# which must be the newest: the metainfo's release entry and the Debian
# changelog follow NEWS.md.
file(STRINGS ${PROJECT_SOURCE_DIR}/NEWS.md news_release REGEX "^## [0-9]" LIMIT_COUNT 1)
if(NOT news_release MATCHES "^## ${PROJECT_VERSION} \\(([0-9-]+)\\)$")
    message(FATAL_ERROR "NEWS.md's newest entry \"${news_release}\" is not version ${PROJECT_VERSION} with its date")
endif()
set(TROVANA_RELEASE_DATE ${CMAKE_MATCH_1})
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/NEWS.md)

configure_file(${CMAKE_CURRENT_LIST_DIR}/project_info.h.in ${PROJECT_BINARY_DIR}/generated/project_info.h @ONLY)
add_library(trovana_project_info INTERFACE)
target_include_directories(trovana_project_info INTERFACE ${PROJECT_BINARY_DIR}/generated)
