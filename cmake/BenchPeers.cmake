# SPDX-License-Identifier: MIT
# Optional peers that a library's benchmarks run in the same binary.
#
# bench_peer(<lib> <define> <imported-target>): when <imported-target> exists, every benchmark of
#   <lib> links it and is compiled with <define>=1; otherwise the benchmark says the peer is missing.
# bench_peer_pkg(<lib> <define> <pkg-config-module>): the same for a peer found through pkg-config
#   (its variables and imported target are named <lib>_PEER_<module>).
#
# The peers collect in the interface target <lib>_bench_peers, which add_project_library links into
# the library's benchmarks.
function(bench_peer lib define target)
  if(NOT TARGET ${lib}_bench_peers)
    add_library(${lib}_bench_peers INTERFACE)
  endif()
  if(TARGET ${target})
    target_link_libraries(${lib}_bench_peers INTERFACE ${target})
    target_compile_definitions(${lib}_bench_peers INTERFACE ${define}=1)
  endif()
endfunction()

function(bench_peer_pkg lib define module)
  find_package(PkgConfig QUIET)
  string(MAKE_C_IDENTIFIER "${lib}_PEER_${module}" prefix)
  if(PkgConfig_FOUND AND NOT TARGET PkgConfig::${prefix})
    pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  endif()
  bench_peer(${lib} ${define} PkgConfig::${prefix})
endfunction()
