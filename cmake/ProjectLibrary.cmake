# SPDX-License-Identifier: MIT
# add_project_library(<name>
#     [SOURCES <files>...]        default: every .c/.cpp under src/
#     [PRIVATE_DEPS <targets>...] linked privately (e.g. chronal's GMP)
#     [PUBLIC_DEPS <targets>...]  linked publicly (e.g. Threads::Threads)
#     [PC_REQUIRES <modules>...]  pkg-config Requires.private
#     [PC_LIBS <flags>...]        pkg-config Libs.private (e.g. -pthread)
#     [DEB_DEV_DEPENDS <pkgs>...] Debian packages the -dev package needs beyond the runtime package
#     [TEST_DEPS <targets>...]    extra libraries for the tests
#     [BENCH_DEPS <targets>...]   extra libraries for the benchmarks; the peers declared with
#                                 bench_peer (cmake/BenchPeers.cmake) are linked as well
#     [ABI <n>])                  SOVERSION: the ABI number of this library (default 0), raised
#                                 whenever a release breaks its binary interface (docs/packaging.md)
#
# Declares one deliverable: the shared library <name> with alias <name>::<name>, VERSION/SOVERSION,
# the generated <name>/version.hpp, headers from include/ installed under include/<name>/, install
# rules split into a runtime component <name> and a development component <name>-dev (the Debian
# packages of cmake/ProjectPackaging.cmake), <name>Config.cmake + version file, an export of the
# build tree, <name>.pc, one test executable per tests/*_test.cpp (ctest label <name>, all built by
# the target <name>_tests) and one benchmark executable per bench/*.cpp.
# A library folder without sources yet declares nothing.
function(add_project_library name)
  cmake_parse_arguments(PL "" "ABI"
    "SOURCES;PRIVATE_DEPS;PUBLIC_DEPS;PC_REQUIRES;PC_LIBS;DEB_DEV_DEPENDS;TEST_DEPS;BENCH_DEPS" ${ARGN})
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT PL_SOURCES)
    file(GLOB_RECURSE PL_SOURCES CONFIGURE_DEPENDS "${dir}/src/*.cpp" "${dir}/src/*.c")
  endif()
  if(NOT PL_SOURCES)
    message(STATUS "${name}: no sources yet, nothing declared")
    return()
  endif()
  if(NOT DEFINED PL_ABI)
    set(PL_ABI 0)
  endif()
  string(TOUPPER ${name} NAME)

  # The version header and the function that reports the version of the loaded library.
  set(gen "${CMAKE_CURRENT_BINARY_DIR}/generated")
  set(LIB ${name})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.hpp.in ${gen}/include/${name}/version.hpp @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.cpp.in ${gen}/version.cpp @ONLY)

  add_library(${name} SHARED ${PL_SOURCES} ${gen}/version.cpp)
  add_library(${name}::${name} ALIAS ${name})
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PL_ABI}
    EXPORT_NAME ${name}
    # Only what the headers mark with <NAME>_API is exported (docs/packaging.md).
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name}
    PUBLIC $<BUILD_INTERFACE:${dir}/include> $<BUILD_INTERFACE:${gen}/include>
           $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/${name}>
    PRIVATE ${dir}/src)
  target_compile_features(${name} PUBLIC cxx_std_20)
  _project_library_version_script(${name})
  target_link_libraries(${name} PRIVATE veltro_suite_warnings ${PL_PRIVATE_DEPS} PUBLIC ${PL_PUBLIC_DEPS})
  set_property(GLOBAL APPEND PROPERTY VELTRO_SUITE_LIBRARIES ${name})
  set_property(GLOBAL PROPERTY VELTRO_SUITE_${NAME}_DEB_DEV_DEPENDS ${PL_DEB_DEV_DEPENDS})
  set_property(GLOBAL PROPERTY VELTRO_SUITE_${NAME}_ABI ${PL_ABI})
  # On the target itself, not only project-wide: its bits must not depend on how it is built (the
  # sources also say so themselves; see cmake/ContractedBuild.cmake).
  target_compile_options(${name} PRIVATE -ffp-contract=off -fno-fast-math)

  if(VELTRO_SUITE_INSTALL)
    _project_library_install(${name})
  endif()

  # Tests: one executable per tests/*_test.cpp, discovered by ctest at test time.
  if(VELTRO_SUITE_TESTS)
    add_custom_target(${name}_tests)
    file(GLOB test_sources CONFIGURE_DEPENDS "${dir}/tests/*_test.cpp")
    foreach(src IN LISTS test_sources)
      get_filename_component(stem ${src} NAME_WE)
      set(t ${name}_${stem})
      add_executable(${t} ${src})
      target_include_directories(${t} PRIVATE ${dir}/src ${dir}/tests)
      target_link_libraries(${t} PRIVATE ${name} veltro_suite_warnings GTest::gmock_main ${PL_TEST_DEPS})
      add_dependencies(${name}_tests ${t})
      gtest_discover_tests(${t} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ${name} TIMEOUT 300)
    endforeach()
  endif()

  # Benchmarks: one executable per bench/*.cpp.
  if(VELTRO_SUITE_BUILD_BENCHMARKS)
    file(GLOB bench_sources CONFIGURE_DEPENDS "${dir}/bench/*.cpp")
    foreach(src IN LISTS bench_sources)
      get_filename_component(stem ${src} NAME_WE)
      set(b ${name}_bench_${stem})
      add_executable(${b} ${src})
      target_include_directories(${b} PRIVATE ${dir}/src ${dir}/bench)
      target_link_libraries(${b} PRIVATE ${name} benchmark::benchmark ${PL_BENCH_DEPS})
      if(TARGET ${name}_bench_peers)
        target_link_libraries(${b} PRIVATE ${name}_bench_peers)
      endif()
    endforeach()
  endif()
endfunction()

# The linker version script of one library. Hidden visibility keeps everything the headers do not
# mark private, except the standard library's template instantiations, whose namespace is declared
# with default visibility: the script makes those local. Names in the namespaces of the library's
# header folders (and its own, for the version functions) stay global, with their type information
# and vtables, explicit instantiations whose demangled name starts with a plain return type and
# the library's specialisations of std::hash:
# ld gives global patterns precedence over local ones. (Unquoted patterns cannot hold spaces or
# angle brackets; ? stands for the space.)
function(_project_library_version_script name)
  set(namespaces ${name})
  file(GLOB entries RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}/include" "${CMAKE_CURRENT_SOURCE_DIR}/include/*")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "\\.(hpp|h)$" "" entry "${entry}")
    if(entry MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
      list(APPEND namespaces ${entry})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES namespaces)
  set(global "")
  foreach(ns IN LISTS namespaces)
    foreach(prefix "" typeinfo?for? typeinfo?name?for? vtable?for? VTT?for? guard?variable?for?
                   double? float? int? long? bool? void? char? unsigned?int? unsigned?long?)
      string(APPEND global "      ${prefix}${ns}::*;\n")
    endforeach()
    # The library's specialisations of std::hash.
    string(APPEND global "      std::hash?${ns}::*;\n")
  endforeach()
  set(script "${CMAKE_CURRENT_BINARY_DIR}/generated/${name}.map")
  file(CONFIGURE OUTPUT ${script} CONTENT "{
  global:
    extern \"C++\" {
${global}    };
  local:
    extern \"C++\" {
      std::*;
      *?std::*;
      __gnu_cxx::*;
      *?__gnu_cxx::*;
    };
};
")
  target_link_options(${name} PRIVATE "LINKER:--version-script=${script}")
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()

# Install rules of one library. Runtime component <name>: the shared object and the licence.
# Development component <name>-dev: headers under include/<name>/ (the targets and the .pc file add
# that folder, so that <Numeric/SpecFunctions.hpp> keeps its name and cannot collide with another
# package's Data/ or Numeric/ folder), the SONAME-less link, the CMake package and the .pc file.
function(_project_library_install name)
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  set(gen "${CMAKE_CURRENT_BINARY_DIR}/generated")
  set(inc ${CMAKE_INSTALL_INCLUDEDIR}/${name})
  install(DIRECTORY ${dir}/include/ DESTINATION ${inc} COMPONENT ${name}-dev
          FILES_MATCHING PATTERN "*.hpp" PATTERN "*.h")
  install(FILES ${gen}/include/${name}/version.hpp DESTINATION ${inc}/${name} COMPONENT ${name}-dev)
  install(TARGETS ${name} EXPORT ${name}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${name} NAMELINK_COMPONENT ${name}-dev
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${name}-dev
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${name})
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name}
          COMPONENT ${name})

  # CMake package: <name>Config.cmake, its version file and the exported target.
  include(CMakePackageConfigHelpers)
  set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${name})
  install(EXPORT ${name}Targets NAMESPACE ${name}:: DESTINATION ${cmake_dir} COMPONENT ${name}-dev)
  export(EXPORT ${name}Targets NAMESPACE ${name}:: FILE ${CMAKE_CURRENT_BINARY_DIR}/${name}Targets.cmake)
  set(PACKAGE_NAME ${name})
  set(PACKAGE_DEPENDENCIES "")
  get_target_property(public_deps ${name} INTERFACE_LINK_LIBRARIES)
  if(public_deps MATCHES "Threads::Threads")
    string(APPEND PACKAGE_DEPENDENCIES "find_dependency(Threads)\n")
  endif()
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PackageConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${name}Config.cmake INSTALL_DESTINATION ${cmake_dir})
  # Semantic versioning: while at 0.x a minor release may break, so only the same minor version is
  # compatible; from 1.0 on, the same major version.
  if(PROJECT_VERSION_MAJOR EQUAL 0)
    set(compatibility SameMinorVersion)
  else()
    set(compatibility SameMajorVersion)
  endif()
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${name}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY ${compatibility})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}Config.cmake
                ${CMAKE_CURRENT_BINARY_DIR}/${name}ConfigVersion.cmake
          DESTINATION ${cmake_dir} COMPONENT ${name}-dev)

  # pkg-config. With relative install folders the prefix is found from the .pc file's own place, so
  # the installed tree can be moved; with an absolute CMAKE_INSTALL_LIBDIR or INCLUDEDIR the folders
  # are written as they are.
  set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
    set(PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
    set(PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
  else()
    file(RELATIVE_PATH up "/root/${pc_dir}" "/root")
    string(REGEX REPLACE "/$" "" up "${up}")
    set(PC_PREFIX "\${pcfiledir}/${up}")
    set(PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
    set(PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
  endif()
  string(JOIN ", " PC_REQUIRES_PRIVATE ${PL_PC_REQUIRES})
  string(JOIN " " PC_LIBS_PRIVATE ${PL_PC_LIBS})
  set(PC_DESCRIPTION "${name} library")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc DESTINATION ${pc_dir} COMPONENT ${name}-dev)
endfunction()
