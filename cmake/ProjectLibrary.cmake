# SPDX-License-Identifier: MIT
# add_project_library(<name>
#     [SOURCES <files>...]        default: every .c/.cpp under src/
#     [PRIVATE_DEPS <targets>...] linked privately (e.g. PkgConfig::GMP)
#     [PUBLIC_DEPS <targets>...]  linked publicly (e.g. Threads::Threads)
#     [PC_REQUIRES <modules>...]  pkg-config Requires.private
#     [PC_LIBS <flags>...]        pkg-config Libs.private (e.g. -pthread)
#     [TEST_DEPS <targets>...]    extra libraries for the tests
#     [BENCH_DEPS <targets>...]   extra libraries for the benchmarks; the peers declared with
#                                 bench_peer (cmake/BenchPeers.cmake) are linked as well)
#
# Declares one deliverable: the shared library <name> with alias <name>::<name>, VERSION/SOVERSION,
# headers from include/, install rules with an export set, <name>Config.cmake + version file,
# an export of the build tree, <name>.pc, one test executable per tests/*_test.cpp (ctest label
# <name>, all built by the target <name>_tests) and one benchmark executable per bench/*.cpp.
# A library folder without sources yet declares nothing.
function(add_project_library name)
  cmake_parse_arguments(PL "" "" "SOURCES;PRIVATE_DEPS;PUBLIC_DEPS;PC_REQUIRES;PC_LIBS;TEST_DEPS;BENCH_DEPS" ${ARGN})
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT PL_SOURCES)
    file(GLOB_RECURSE PL_SOURCES CONFIGURE_DEPENDS "${dir}/src/*.cpp" "${dir}/src/*.c")
  endif()
  if(NOT PL_SOURCES)
    message(STATUS "${name}: no sources yet, nothing declared")
    return()
  endif()

  add_library(${name} SHARED ${PL_SOURCES})
  add_library(${name}::${name} ALIAS ${name})
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    EXPORT_NAME ${name}
    CXX_VISIBILITY_PRESET default)
  target_include_directories(${name}
    PUBLIC $<BUILD_INTERFACE:${dir}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${dir}/src)
  target_compile_features(${name} PUBLIC cxx_std_20)
  target_link_libraries(${name} PRIVATE project_warnings ${PL_PRIVATE_DEPS} PUBLIC ${PL_PUBLIC_DEPS})

  # Install: headers, library, export set, CMake package, pkg-config file.
  include(CMakePackageConfigHelpers)
  install(DIRECTORY ${dir}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(TARGETS ${name} EXPORT ${name}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${name})
  install(EXPORT ${name}Targets NAMESPACE ${name}:: DESTINATION ${cmake_dir})
  export(EXPORT ${name}Targets NAMESPACE ${name}:: FILE ${CMAKE_CURRENT_BINARY_DIR}/${name}Targets.cmake)
  set(PACKAGE_NAME ${name})
  set(PACKAGE_DEPENDENCIES "")
  if(PL_PUBLIC_DEPS MATCHES "Threads::Threads")
    string(APPEND PACKAGE_DEPENDENCIES "find_dependency(Threads)\n")
  endif()
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PackageConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${name}Config.cmake INSTALL_DESTINATION ${cmake_dir})
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${name}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}Config.cmake
                ${CMAKE_CURRENT_BINARY_DIR}/${name}ConfigVersion.cmake DESTINATION ${cmake_dir})

  # pkg-config: prefix relative to the .pc file, so the installed tree can be moved.
  set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  file(RELATIVE_PATH PC_RELATIVE_PREFIX "/root/${pc_dir}" "/root")
  string(REGEX REPLACE "/$" "" PC_RELATIVE_PREFIX "${PC_RELATIVE_PREFIX}")
  string(JOIN ", " PC_REQUIRES_PRIVATE ${PL_PC_REQUIRES})
  string(JOIN " " PC_LIBS_PRIVATE ${PL_PC_LIBS})
  set(PC_DESCRIPTION "${name} library")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc DESTINATION ${pc_dir})

  # Tests: one executable per tests/*_test.cpp, discovered by ctest at test time.
  if(PROJECT_BUILD_TESTS)
    add_custom_target(${name}_tests)
    file(GLOB test_sources CONFIGURE_DEPENDS "${dir}/tests/*_test.cpp")
    foreach(src IN LISTS test_sources)
      get_filename_component(stem ${src} NAME_WE)
      set(t ${name}_${stem})
      add_executable(${t} ${src})
      target_include_directories(${t} PRIVATE ${dir}/src ${dir}/tests)
      target_link_libraries(${t} PRIVATE ${name} project_warnings GTest::gmock_main ${PL_TEST_DEPS})
      add_dependencies(${name}_tests ${t})
      gtest_discover_tests(${t} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ${name} TIMEOUT 300)
    endforeach()
  endif()

  # Benchmarks: one executable per bench/*.cpp.
  if(PROJECT_BUILD_BENCHMARKS)
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

  set_property(GLOBAL APPEND PROPERTY PROJECT_LIBRARIES ${name})
endfunction()
