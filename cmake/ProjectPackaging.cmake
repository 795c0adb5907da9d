# SPDX-License-Identifier: MIT
# Debian packages: `cpack -G DEB` in the build folder makes, for every library, a runtime package
# lib<name><abi> (the shared object and the licence) and a development package lib<name>-dev
# (headers, CMake package, pkg-config file), installed under /usr. The packages of different
# libraries share no file, so any set of them installs side by side.
get_property(libs GLOBAL PROPERTY VELTRO_SUITE_LIBRARIES)
if(NOT libs)
  return()
endif()

set(CPACK_PACKAGE_NAME veltro-suite)
set(CPACK_PACKAGE_VENDOR "veltro_suite developers")
set(CPACK_PACKAGE_CONTACT "veltro_suite developers <veltro-suite@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# The runtime packages' dependencies (libc, libstdc++, GMP for chronal) come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

string(TOLOWER "${PROJECT_DESCRIPTION}" suite)
set(CPACK_COMPONENTS_ALL "")
foreach(lib IN LISTS libs)
  string(TOUPPER ${lib} LIB)
  get_property(abi GLOBAL PROPERTY VELTRO_SUITE_${LIB}_ABI)
  get_property(dev_depends GLOBAL PROPERTY VELTRO_SUITE_${LIB}_DEB_DEV_DEPENDS)
  list(APPEND CPACK_COMPONENTS_ALL ${lib} ${lib}-dev)
  set(runtime lib${lib}${abi})
  set(CPACK_DEBIAN_${LIB}_PACKAGE_NAME ${runtime})
  # The first line is the package's summary.
  set(CPACK_DEBIAN_${LIB}_DESCRIPTION "${lib} shared library\nPart of ${PROJECT_NAME}: ${suite}.")
  set(CPACK_DEBIAN_${LIB}-DEV_PACKAGE_NAME lib${lib}-dev)
  set(CPACK_DEBIAN_${LIB}-DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_${LIB}-DEV_PACKAGE_SHLIBDEPS OFF)
  string(JOIN ", " deps "${runtime} (= ${PROJECT_VERSION})" ${dev_depends})
  set(CPACK_DEBIAN_${LIB}-DEV_PACKAGE_DEPENDS "${deps}")
  set(CPACK_DEBIAN_${LIB}-DEV_DESCRIPTION
      "${lib} development files: headers, CMake package, pkg-config module\nPart of ${PROJECT_NAME}: ${suite}.")
endforeach()
include(CPack)
