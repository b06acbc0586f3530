# SPDX-License-Identifier: GPL-3.0-or-later
# The window program's translations (GNU gettext): the template
# <build>/po/trovana.pot, extracted from the sources with xgettext at each
# build and copied to po/trovana.pot in the sources by the target
# trovana_pot (`cmake --build build --target trovana_pot`), so that
# translators find it without a build; and each po/LANG.po compiled with msgfmt into
# <build>/locale/LANG/LC_MESSAGES/trovana.mo, where the built program finds
# it, and installed into share/locale/LANG/LC_MESSAGES. Without the gettext
# tools no catalogue is made and the program speaks English only.
include(GNUInstallDirs)

set(TROVANA_BUILD_LOCALE_DIR ${PROJECT_BINARY_DIR}/locale)
set(TROVANA_POT ${PROJECT_BINARY_DIR}/po/trovana.pot)
find_program(XGETTEXT xgettext)
find_program(MSGFMT msgfmt)
find_program(MSGMERGE msgmerge)
if(NOT XGETTEXT OR NOT MSGFMT OR NOT MSGMERGE)
    message(STATUS "xgettext, msgfmt or msgmerge (Debian package gettext) not found: no translations are built")
    return()
endif()

# Every source of the window program; the command-line tools (tools/) speak
# English only.
file(GLOB_RECURSE pot_sources CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
    ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h)
list(SORT pot_sources)
add_custom_command(OUTPUT ${TROVANA_POT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/po
    COMMAND ${XGETTEXT} -C --from-code=UTF-8 --no-wrap --keyword=_ --keyword=wxTRANSLATE --keyword=wxPLURAL:1,2
            --add-comments=TRANSLATORS: --add-location=file --copyright-holder=${TROVANA_MAINTAINER_NAME}
            --package-name=Trovana --package-version=${PROJECT_VERSION}
            --msgid-bugs-address=${TROVANA_MAINTAINER_EMAIL} --output=${TROVANA_POT} ${pot_sources}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    DEPENDS ${pot_sources}
    COMMENT "Extracting the translatable texts into po/trovana.pot"
    VERBATIM)

file(GLOB po_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/po/*.po)
set(mo_files)
foreach(po ${po_files})
    get_filename_component(lang ${po} NAME_WE)
    set(mo_dir ${TROVANA_BUILD_LOCALE_DIR}/${lang}/LC_MESSAGES)
    # --check refuses a translation whose format directives differ from
    # its English text's.
    add_custom_command(OUTPUT ${mo_dir}/trovana.mo
        COMMAND ${CMAKE_COMMAND} -E make_directory ${mo_dir}
        COMMAND ${MSGFMT} --check --output-file=${mo_dir}/trovana.mo ${po}
        DEPENDS ${po}
        COMMENT "Compiling the ${lang} translations"
        VERBATIM)
    list(APPEND mo_files ${mo_dir}/trovana.mo)
    install(FILES ${mo_dir}/trovana.mo DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${lang}/LC_MESSAGES)
endforeach()
add_custom_target(trovana_translations ALL DEPENDS ${TROVANA_POT} ${mo_files})
add_custom_target(trovana_pot
    COMMAND ${CMAKE_COMMAND} -E copy ${TROVANA_POT} ${PROJECT_SOURCE_DIR}/po/trovana.pot
    DEPENDS ${TROVANA_POT}
    COMMENT "Refreshing po/trovana.pot from the sources"
    VERBATIM)
