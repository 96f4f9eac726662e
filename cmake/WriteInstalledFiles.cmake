# Runs at install time (from Install.cmake): writes the desktop entry and the bus
# activation file with the paths under the install prefix in effect.
#
# In: KORVALE_DATA_DIR, KORVALE_GENERATED_DIR, KORVALE_BINDIR, KORVALE_DATADIR, and
# CMAKE_INSTALL_PREFIX as the install step sets it (without DESTDIR, which only stages).

function(korvale_full_install_path relative out)
    if(IS_ABSOLUTE "${relative}")
        set(full "${relative}")
    else()
        set(full "${CMAKE_INSTALL_PREFIX}/${relative}")
    endif()
    cmake_path(NORMAL_PATH full)
    string(REGEX REPLACE "(.)/+$" "\\1" full "${full}")
    set(${out} "${full}" PARENT_SCOPE)
endfunction()

korvale_full_install_path("${KORVALE_BINDIR}" bin_dir)
korvale_full_install_path("${KORVALE_DATADIR}" data_dir)
set(KORVALE_INSTALLED_PROGRAM "${bin_dir}/korvale")
set(KORVALE_INSTALLED_DATA_FOLDER "${data_dir}/korvale")

# Desktop entries and activation files split Exec on blanks.
if(KORVALE_INSTALLED_PROGRAM MATCHES "[ \t\n\"'\\\\]")
    message(FATAL_ERROR "KORVALE cannot be installed under a path with blanks, quotes or "
                        "backslashes: ${KORVALE_INSTALLED_PROGRAM}")
endif()

configure_file(${KORVALE_DATA_DIR}/korvale.desktop.in
               ${KORVALE_GENERATED_DIR}/korvale.desktop @ONLY)
configure_file(${KORVALE_DATA_DIR}/KORVALE.Application.service.in
               ${KORVALE_GENERATED_DIR}/KORVALE.Application.service @ONLY)
