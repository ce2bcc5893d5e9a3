# Fuzz targets: one per reader of bytes that come from outside (the meter's stream, graph
# files, message tables). Each target is one function, LLVMFuzzerTestOneInput, that feeds the
# bytes to a reader and checks the reader's rules, aborting when one is broken.
#
# Every target is always built as a plain replay program (any compiler) that runs the
# committed corpus fuzz/corpus/<name>/ as an ordinary ctest test, so every CI run replays every
# input that ever mattered. With -DTC4DL_FUZZ=ON (clang only) each target is also built as a
# libFuzzer program, fuzz_<name>, and the whole build is instrumented for coverage and with
# AddressSanitizer and UndefinedBehaviorSanitizer; scripts/fuzz.sh does that in build-fuzz/.

option(TC4DL_FUZZ "Build the fuzz targets with libFuzzer (clang), sanitizers on" OFF)

if(TC4DL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TC4DL_FUZZ needs clang (libFuzzer); configure with "
                        "-DCMAKE_CXX_COMPILER=clang++-14, as scripts/fuzz.sh does.")
  endif()
  # Coverage for the fuzzer in every library a target reaches; a sanitizer report stops the run
  # at once so that the input is kept.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

set(TC4DL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR}/../fuzz)

# tc4dl_add_fuzz_target(name SOURCES a.cpp.. LIBS lib..)
#   replay_<name>: runs every file of fuzz/corpus/<name>/ once (ctest test replay_<name>);
#   fuzz_<name>:   the libFuzzer program, with TC4DL_FUZZ only.
function(tc4dl_add_fuzz_target name)
  cmake_parse_arguments(F "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  set(corpus ${TC4DL_FUZZ_DIR}/corpus/${name})

  add_executable(replay_${name} ${F_SOURCES} ${TC4DL_FUZZ_DIR}/ReplayMain.cpp)
  target_include_directories(replay_${name} PRIVATE ${TC4DL_FUZZ_DIR})
  target_link_libraries(replay_${name} PRIVATE ${F_LIBS})
  tc4dl_warnings(replay_${name})
  set_target_properties(replay_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                  ${CMAKE_BINARY_DIR}/fuzz)
  if(TC4DL_BUILD_TESTS)
    add_test(NAME replay_${name} COMMAND replay_${name} ${corpus})
    if(NOT F_TIMEOUT)
      set(F_TIMEOUT 120)
    endif()
    set_tests_properties(replay_${name} PROPERTIES TIMEOUT ${F_TIMEOUT}
                                                   ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C")
  endif()

  if(TC4DL_FUZZ)
    add_executable(fuzz_${name} ${F_SOURCES})
    target_include_directories(fuzz_${name} PRIVATE ${TC4DL_FUZZ_DIR})
    target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    tc4dl_warnings(fuzz_${name})
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                  ${CMAKE_BINARY_DIR}/fuzz)
  endif()
endfunction()
