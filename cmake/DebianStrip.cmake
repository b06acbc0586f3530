# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install --strip` and CPack's stripping run CMAKE_STRIP on each
# program without options; a wrapper adds the ones Debian's dh_strip uses,
# so that the package carries no .comment section. Included before the
# programs' install rules, which take the strip command of their folder.
if(CMAKE_STRIP AND NOT CMAKE_STRIP MATCHES "strip\\.sh$")
    set(TROVANA_REAL_STRIP ${CMAKE_STRIP})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/strip.sh.in ${PROJECT_BINARY_DIR}/strip.sh @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                    WORLD_EXECUTE)
    set(CMAKE_STRIP ${PROJECT_BINARY_DIR}/strip.sh)
endif()
