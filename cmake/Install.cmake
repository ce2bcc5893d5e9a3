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

# Installs each of the files after ARGN to `destination` gzip'd the way Debian wants manual
# pages and changelogs: at the highest compression and without the name and time stamp that
# would make every build's file differ (`gzip -9n`). Each file is configured first, so that
# @PROJECT_VERSION@ in it (a manual page's heading) is the version being built. The compressed
# files are made at build time by `target`.
function(tc4dl_install_gzipped target destination)
  find_program(TC4DL_GZIP gzip REQUIRED)
  set(outputs)
  foreach(source IN LISTS ARGN)
    get_filename_component(name ${source} NAME)
    set(configured ${CMAKE_CURRENT_BINARY_DIR}/configured/${name})
    configure_file(${source} ${configured} @ONLY)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name}.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gzipped
      COMMAND ${TC4DL_GZIP} -9n -c ${configured} > ${output}
      DEPENDS ${configured}
      COMMENT "Compressing ${name}"
      VERBATIM)
    list(APPEND outputs ${output})
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${outputs})
  install(FILES ${outputs} DESTINATION ${destination})
endfunction()
