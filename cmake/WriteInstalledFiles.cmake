# Runs at install time (from Install.cmake): writes the desktop entry, the bus activation
# file, the systemd user unit and the manual page with the paths under the install prefix in effect, and the
# compressed change log.
#
# In: KORVALE_DATA_DIR, KORVALE_GENERATED_DIR, KORVALE_BINDIR, KORVALE_DATADIR,
# KORVALE_PROGRAM (the built program), and CMAKE_INSTALL_PREFIX as the install step sets it
# (without DESTDIR, which only stages).

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
korvale_full_install_path("." KORVALE_INSTALLED_PREFIX)

# Desktop entries and activation files split Exec on blanks.
if(KORVALE_INSTALLED_PROGRAM MATCHES "[ \t\n\"'\\\\]")
    message(FATAL_ERROR "KORVALE cannot be installed under a path with blanks, quotes or "
                        "backslashes: ${KORVALE_INSTALLED_PROGRAM}")
endif()

configure_file(${KORVALE_DATA_DIR}/korvale.desktop.in
               ${KORVALE_GENERATED_DIR}/korvale.desktop @ONLY)
configure_file(${KORVALE_DATA_DIR}/KORVALE.Application.service.in
               ${KORVALE_GENERATED_DIR}/KORVALE.Application.service @ONLY)
configure_file(${KORVALE_DATA_DIR}/korvale.service.in
               ${KORVALE_GENERATED_DIR}/korvale.service @ONLY)
configure_file(${KORVALE_DATA_DIR}/korvale.h2m.in ${KORVALE_GENERATED_DIR}/korvale.h2m @ONLY)

find_program(KORVALE_HELP2MAN help2man)
find_program(KORVALE_GZIP gzip REQUIRED)
if(NOT KORVALE_HELP2MAN)
    message(FATAL_ERROR "The manual page is made by help2man: install the Debian package "
                        "help2man (scripts/deps.sh does).")
endif()
# The switches come from the program's --help, so the page names every switch it has.
execute_process(COMMAND ${KORVALE_HELP2MAN} --no-info --section=1
                        --include=${KORVALE_GENERATED_DIR}/korvale.h2m
                        --output=${KORVALE_GENERATED_DIR}/korvale.1 ${KORVALE_PROGRAM}
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "help2man ${KORVALE_PROGRAM} failed (${result}): ${errors}")
endif()

# korvale_gzip(<file> <compressed name>): the best compression, without the file's name or
# time inside, into the generated folder.
function(korvale_gzip file compressed)
    execute_process(COMMAND ${KORVALE_GZIP} -9 -n -c ${file}
                    OUTPUT_FILE ${KORVALE_GENERATED_DIR}/${compressed} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "gzip ${file} failed (${result})")
    endif()
endfunction()
korvale_gzip(${KORVALE_GENERATED_DIR}/korvale.1 korvale.1.gz)
korvale_gzip(${KORVALE_DATA_DIR}/changelog changelog.gz)
