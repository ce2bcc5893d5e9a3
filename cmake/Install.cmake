# Where an installed TC4DL keeps its files. On Linux the programs go to bin/ and their shipped
# files (help page, default graph template) to share/tc4dl/, where the program looks for them
# (core/ProgramFolders.h); on Windows everything stays in the program's one folder, as the
# program expects there.
include(GNUInstallDirs)
if(WIN32)
  set(TC4DL_INSTALL_DATADIR ${CMAKE_INSTALL_BINDIR})
else()
  set(TC4DL_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tc4dl)
  # The program finds share/tc4dl from bin/ by one fixed relative path.
  file(RELATIVE_PATH _tc4dl_rel /${CMAKE_INSTALL_BINDIR} /${TC4DL_INSTALL_DATADIR})
  if(NOT _tc4dl_rel STREQUAL "../share/tc4dl")
    message(FATAL_ERROR "Install folders must keep share/tc4dl at ../share/tc4dl from the "
                        "programs (got ${_tc4dl_rel}).")
  endif()
endif()
