# The Debian package (CPack DEB): `cpack -G DEB` in a configured build folder writes
# korvale_<version>_<arch>.deb. Its dependencies are computed from the program's libraries
# with dpkg-shlibdeps (needs the dpkg-dev and file packages).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvale)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KORVALE")
set(CPACK_PACKAGE_CONTACT "KORVALE developers <developers@korvale.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-deck mixing player for continuous music")
set(CPACK_PACKAGE_DESCRIPTION
    "KORVALE plays a list of MP3 and WAV clips on two decks and cross-fades from the
playing clip into the next one, by hand or unattended: it loads the next entry
as soon as a cross-fade ends and starts the next cross-fade by itself a few
seconds before the playing clip ends. A cue player pre-listens to a clip and
sets its start point; mix styles shape the fades. Other programs can start it
and keep it open through its session-bus automation object.")

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install step then runs with the package's prefix (DESTDIR stages it), so the desktop
# entry and the activation file name /usr paths.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME korvale)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time rather than linked, so dpkg-shlibdeps cannot see them: ALSA's plugin
# that reaches the sound server, and a font for the window.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libasound2-plugins, fonts-dejavu-core")
# The help page opens through the desktop's opener; the program needs a session bus.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils, default-dbus-session-bus | dbus-session-bus")

include(CPack)
