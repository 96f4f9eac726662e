# Installation layout and desktop integration: the program, its help page, icon, desktop
# entry, AppStream metadata, bus activation file and systemd user unit, its manual page, copyright and change
# log. The Debian package is set up in Package.cmake; the checks of both live in
# tests/package/.
include(GNUInstallDirs)

set(KORVALE_DATA_DIR ${CMAKE_SOURCE_DIR}/data)

# The window icon travels inside the program (SVG, and a PNG for Qt builds without SVG
# support).
set_target_properties(korvale PROPERTIES AUTORCC ON)
target_sources(korvale PRIVATE ${KORVALE_DATA_DIR}/korvale.qrc)

install(TARGETS korvale RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KORVALE_DATA_DIR}/korvale_1_1_help.htm
        DESTINATION ${CMAKE_INSTALL_DATADIR}/korvale)
install(FILES ${KORVALE_DATA_DIR}/korvale.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KORVALE_DATA_DIR}/korvale.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The desktop entry, the bus activation file and the manual page name installed paths (the
# program, and the folder of the help page that becomes the start-up working directory).
# They are written at install time, so that `cmake --install --prefix` and the package's
# /usr prefix are the ones written, whatever prefix the build was configured with. The
# manual page is made from the built program's --help and --version by help2man, with the
# sections of korvale.h2m.in; it and the change log are compressed as Debian wants them.
set(KORVALE_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR}/installed-files)
install(CODE "
    set(KORVALE_DATA_DIR [[${KORVALE_DATA_DIR}]])
    set(KORVALE_GENERATED_DIR [[${KORVALE_GENERATED_DIR}]])
    set(KORVALE_BINDIR [[${CMAKE_INSTALL_BINDIR}]])
    set(KORVALE_DATADIR [[${CMAKE_INSTALL_DATADIR}]])
    set(KORVALE_PROGRAM [[$<TARGET_FILE:korvale>]])
    include([[${CMAKE_CURRENT_LIST_DIR}/WriteInstalledFiles.cmake]])
")
install(FILES ${KORVALE_GENERATED_DIR}/korvale.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KORVALE_GENERATED_DIR}/KORVALE.Application.service
        DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/services)
# The systemd user unit for an always-on machine: `korvale --resume`, started again when it
# dies. User units live under lib/ whatever the architecture's library folder.
install(FILES ${KORVALE_GENERATED_DIR}/korvale.service DESTINATION lib/systemd/user)
install(FILES ${KORVALE_GENERATED_DIR}/korvale.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The project takes the GNU GPL, version 3 or later (LICENSE): the copyright file says so in
# Debian's machine-readable form and points to the system's copy of the licence.
install(FILES ${KORVALE_DATA_DIR}/copyright ${KORVALE_GENERATED_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)

if(KORVALE_BUILD_TESTS)
    find_program(KORVALE_BASH bash REQUIRED)
    add_test(NAME package_layout
             COMMAND ${KORVALE_BASH} ${CMAKE_SOURCE_DIR}/tests/package/check_install_layout.sh
                     ${CMAKE_BINARY_DIR})
    add_test(NAME package_deb
             COMMAND ${KORVALE_BASH} ${CMAKE_SOURCE_DIR}/tests/package/check_deb_package.sh
                     ${CMAKE_BINARY_DIR})
    set_tests_properties(package_layout package_deb PROPERTIES
        LABELS "package" SKIP_RETURN_CODE 77)
    set_tests_properties(package_layout PROPERTIES TIMEOUT 120)
    # Installing the package changes the machine: nothing else runs beside it.
    set_tests_properties(package_deb PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
endif()
