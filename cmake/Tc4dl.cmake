# Helpers shared by every folder of the project.

function(tc4dl_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
    if(TC4DL_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                             -Wnon-virtual-dtor -Wold-style-cast)
    if(TC4DL_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS
                                               QT_NO_URL_CAST_FROM_STRING)
endfunction()

# Batches a target's sources when TC4DL_UNITY is on. Only libraries and the command-line tool:
# a test is one file, and GCC warns about a test class using its file's unnamed namespace
# once that file is included into a batch.
function(tc4dl_unity target)
  if(TC4DL_UNITY)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  endif()
endfunction()

# A core library holds protocol, decoding, file formats, statistics or plot geometry. It must
# build and run without a display, so it may never reach Qt6::Widgets, directly or through
# another project library. tc4dl_check_core_libraries() enforces that at configure time.
function(tc4dl_core_library target)
  set_property(GLOBAL APPEND PROPERTY TC4DL_CORE_LIBRARIES ${target})
endfunction()

# A core library that draws documents (a report's PDF): it paints with Qt Gui's QPainter onto
# a QPdfWriter, which needs no display either, so Qt6::Gui is allowed; widgets and the printer
# support stay forbidden, so it runs in tc4dl-cli and in a test without any window.
function(tc4dl_core_gui_library target)
  set_property(GLOBAL APPEND PROPERTY TC4DL_CORE_GUI_LIBRARIES ${target})
endfunction()

# A static library of the project: its folder is the include path of whoever links it, its code
# builds with the project's warnings, and CORE or CORE_GUI registers it as a core library
# (above).
#   tc4dl_library(name [CORE | CORE_GUI] SOURCES files... LIBS libraries...)
function(tc4dl_library name)
  cmake_parse_arguments(L "CORE;CORE_GUI" "" "SOURCES;LIBS" ${ARGN})
  if(L_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tc4dl_library(${name}): unknown arguments ${L_UNPARSED_ARGUMENTS}")
  endif()
  if(L_CORE AND L_CORE_GUI)
    message(FATAL_ERROR "tc4dl_library(${name}): CORE or CORE_GUI, not both")
  endif()
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LIBS})
  tc4dl_warnings(${name})
  tc4dl_unity(${name})
  if(L_CORE)
    tc4dl_core_library(${name})
  endif()
  if(L_CORE_GUI)
    tc4dl_core_gui_library(${name})
  endif()
endfunction()

function(_tc4dl_collect_links target out_var)
  set(seen ${${out_var}})
  if(target IN_LIST seen)
    return()
  endif()
  list(APPEND seen ${target})
  if(TARGET ${target})
    get_target_property(aliased ${target} ALIASED_TARGET)
    if(aliased)
      _tc4dl_collect_links(${aliased} seen)
    endif()
    get_target_property(type ${target} TYPE)
    set(props INTERFACE_LINK_LIBRARIES)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      list(APPEND props LINK_LIBRARIES)
    endif()
    foreach(prop IN LISTS props)
      get_target_property(deps ${target} ${prop})
      if(deps)
        foreach(dep IN LISTS deps)
          string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
          _tc4dl_collect_links(${dep} seen)
        endforeach()
      endif()
    endforeach()
  endif()
  set(${out_var} ${seen} PARENT_SCOPE)
endfunction()

function(_tc4dl_check_reach libraries forbidden_list why)
  foreach(library IN LISTS libraries)
    set(reached "")
    _tc4dl_collect_links(${library} reached)
    foreach(forbidden IN LISTS forbidden_list)
      if(forbidden IN_LIST reached)
        message(FATAL_ERROR "Core library ${library} reaches ${forbidden}; ${why}")
      endif()
    endforeach()
  endforeach()
endfunction()

function(tc4dl_check_core_libraries)
  get_property(cores GLOBAL PROPERTY TC4DL_CORE_LIBRARIES)
  _tc4dl_check_reach("${cores}"
    "Qt6::Widgets;Qt6::Gui;Qt6::PrintSupport;Qt::Widgets;Qt::Gui;Qt::PrintSupport"
    "core libraries must link Qt6::Core (and Qt6::SerialPort) only.")
  get_property(drawing GLOBAL PROPERTY TC4DL_CORE_GUI_LIBRARIES)
  _tc4dl_check_reach("${drawing}"
    "Qt6::Widgets;Qt6::PrintSupport;Qt::Widgets;Qt::PrintSupport"
    "a core library that draws may link Qt6::Gui but never widgets or the printer support.")
endfunction()

# One Qt Test executable per subject, registered with CTest. GUI subjects run on the offscreen
# platform; every test has a time-out so that a stuck event loop cannot hang CI.
function(tc4dl_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tc4dl_add_test(${name}): unknown arguments ${T_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  tc4dl_warnings(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  set(env "QT_QPA_PLATFORM=offscreen;LC_ALL=C;TC4DL_EXTRA_PORTS=")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
