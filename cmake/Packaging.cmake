# A Debian package of the installed tree: `cpack -G DEB` in the build folder. Its library
# dependencies are computed from the programs (dpkg-shlibdeps); what they load at run time
# without linking (the SVG plug-in for the artwork, Qt's German translations of the standard
# dialogs, a font, the TLS library Qt's network plug-in loads for the live page's HTTPS) is
# named here.
set(CPACK_PACKAGE_NAME tc4dl)
set(CPACK_PACKAGE_VENDOR "TC4DL")
# Whoever builds a package for others names themselves here; until then the default says
# plainly that nobody has, and lintian's complaint about its address stays.
set(TC4DL_MAINTAINER "TC4DL maintainer not set <maintainer-not-set@localhost>"
    CACHE STRING "Maintainer of the Debian package: Name <address>")
set(CPACK_PACKAGE_CONTACT "${TC4DL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "TC4DL talks to the TC4DL four-channel thermocouple thermometer over a\n"
    "serial port: it mirrors the meter's display, records live readings into\n"
    "graphs, downloads the logger memory, sets the meter's clock and interval,\n"
    "and saves, opens and prints graphs, tables and data set collections.\n"
    "tc4dl-cli does the same for scripts and records several meters unattended\n"
    "into the archive and to MQTT (the service tc4dl-record@); tc4dl-meter\n"
    "simulates the meter.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY TC4DL)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6svg6, libqt6sql6-sqlite, libqt6sql6-psql, fonts-dejavu-core, libssl3, adduser")
# The recorder service's user (tc4dl, in dialout) is made when the package is configured.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/resources/package/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_GENERATOR DEB)
include(CPack)

# What Debian asks of every package's documentation folder: the copyright in the
# machine-readable format and, for a package that is its own upstream, changelog.gz. The
# changelog's newest entry must be the version being built.
if(UNIX AND NOT APPLE)
  set(_tc4dl_changelog ${PROJECT_SOURCE_DIR}/resources/package/changelog.in)
  file(STRINGS ${_tc4dl_changelog} _tc4dl_newest LIMIT_COUNT 1)
  string(FIND "${_tc4dl_newest}" "tc4dl (${PROJECT_VERSION}) " _tc4dl_at)
  if(NOT _tc4dl_at EQUAL 0)
    message(FATAL_ERROR "The newest entry of ${_tc4dl_changelog} must be version "
                        "${PROJECT_VERSION} (it is: ${_tc4dl_newest}).")
  endif()
  configure_file(${_tc4dl_changelog} ${PROJECT_BINARY_DIR}/package/changelog @ONLY)
  set(TC4DL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tc4dl)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright
          DESTINATION ${TC4DL_INSTALL_DOCDIR})
  tc4dl_install_gzipped(tc4dl_changelog ${TC4DL_INSTALL_DOCDIR}
    ${PROJECT_BINARY_DIR}/package/changelog)
endif()
