# SPDX-License-Identifier: MIT
# add_contracted_build_test(<lib> <probe source> [INCLUDES <dirs>...] [DEFINITIONS <defs>...])
#
# Checks that <lib>'s results do not depend on the flags its sources are compiled with. The probe
# (a program printing results as bit patterns) is built twice: linked to the library as the project
# builds it, and compiled together with the library's own sources under the flags a consumer's build
# may well use (-O2 -march=native and the compiler's default contraction: -ffp-contract=fast for
# GCC, -ffp-contract=on for Clang, whose -ffp-contract=fast disregards every pragma). The ctest
# <lib>_contracted_build (label <lib>, built by <lib>_tests) runs both and compares their output.
#
# Run as a script (cmake -DFIRST=<exe> -DSECOND=<exe> -P ContractedBuild.cmake) it does that
# comparison.
if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${FIRST} OUTPUT_VARIABLE first RESULT_VARIABLE rc1)
  execute_process(COMMAND ${SECOND} OUTPUT_VARIABLE second RESULT_VARIABLE rc2)
  if(NOT rc1 EQUAL 0 OR NOT rc2 EQUAL 0)
    message(FATAL_ERROR "probe failed: ${FIRST} -> ${rc1}, ${SECOND} -> ${rc2}")
  endif()
  if(NOT first STREQUAL second)
    string(REPLACE "\n" ";" a "${first}")
    string(REPLACE "\n" ";" b "${second}")
    list(LENGTH a n)
    set(differing 0)
    set(shown "")
    foreach(la lb IN ZIP_LISTS a b)
      if(NOT la STREQUAL lb)
        math(EXPR differing "${differing} + 1")
        if(differing LESS 6)
          string(APPEND shown "\n  ${la}\n  ${lb} (contracted build)")
        endif()
      endif()
    endforeach()
    message(FATAL_ERROR "${differing} of ${n} results differ in the contracted build:${shown}")
  endif()
  message(STATUS "every result identical")
  return()
endif()

function(add_contracted_build_test name probe)
  cmake_parse_arguments(CB "" "" "INCLUDES;DEFINITIONS" ${ARGN})
  if(NOT VELTRO_SUITE_TESTS)
    return()
  endif()
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${dir}/src/*.cpp" "${dir}/src/*.c")
  add_executable(${name}_probe ${probe})
  target_link_libraries(${name}_probe PRIVATE ${name})
  add_executable(${name}_probe_contracted ${probe} ${sources})
  target_include_directories(${name}_probe_contracted PRIVATE ${dir}/include ${dir}/src)
  target_compile_features(${name}_probe_contracted PRIVATE cxx_std_20)
  # After the project's -ffp-contract=off, so these win.
  target_compile_options(${name}_probe_contracted PRIVATE -O2 -march=native
                         $<IF:$<CXX_COMPILER_ID:Clang>,-ffp-contract=on,-ffp-contract=fast>)
  foreach(t ${name}_probe ${name}_probe_contracted)
    target_include_directories(${t} PRIVATE ${CB_INCLUDES})
    target_compile_definitions(${t} PRIVATE ${CB_DEFINITIONS})
    add_dependencies(${name}_tests ${t})
  endforeach()
  add_test(NAME ${name}_contracted_build
           COMMAND ${CMAKE_COMMAND} -DFIRST=$<TARGET_FILE:${name}_probe>
                   -DSECOND=$<TARGET_FILE:${name}_probe_contracted> -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
  set_tests_properties(${name}_contracted_build PROPERTIES LABELS ${name} TIMEOUT 300)
endfunction()
