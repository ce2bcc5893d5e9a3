# A Debian package of the installed tree: `cpack -G DEB` in the build folder. Its library
# dependencies are computed from the programs (dpkg-shlibdeps); what they load at run time
# without linking (the SVG plug-in for the artwork, Qt's German translations of the standard
# dialogs, a font) is named here.
set(CPACK_PACKAGE_NAME tc4dl)
set(CPACK_PACKAGE_VENDOR "TC4DL")
set(CPACK_PACKAGE_CONTACT "TC4DL developers <tc4dl@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "TC4DL talks to the TC4DL four-channel thermocouple thermometer over a serial port:\n"
    "it mirrors the meter's display, records live readings into graphs, downloads the\n"
    "logger memory, sets the meter's clock and interval, and saves, opens and prints\n"
    "graphs, tables and data set collections. tc4dl-cli does the same for scripts.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY TC4DL)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_GENERATOR DEB)
include(CPack)
