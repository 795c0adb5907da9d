# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# consume <prefix> <scratch> <lib,lib,...> <c++> cmake|pkg-config: builds and runs every consumer
# against the libraries installed under <prefix>, with find_package or with pkg-config, and with
# pkg-config a program that checks that the headers and the loaded library have the same version.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

fail() { echo "FAILED: $*" >&2; exit 1; }

consume() {
  local prefix=$1 scratch=$2 libs=$3 cxx=$4 how=$5 lib libdir pcdir upper
  mkdir -p "$scratch"
  libdir=$(dirname "$(find "$prefix" -name 'lib*.so' -print -quit)")
  pcdir=$(dirname "$(find "$prefix" -name '*.pc' -print -quit)")

  # CMake consumer.
  if [ "$how" = cmake ]; then
    cmake -S "$here/consumer" -B "$scratch/cmake" -DCMAKE_CXX_COMPILER="$cxx" \
          -DCMAKE_PREFIX_PATH="$prefix" -DCONSUMER_LIBS="${libs//,/;}" >/dev/null
    cmake --build "$scratch/cmake" >/dev/null
    for lib in ${libs//,/ }; do
      LD_LIBRARY_PATH=$libdir "$scratch/cmake/${lib}_consumer" >/dev/null || fail "find_package($lib) program"
      echo "find_package($lib): ok"
    done
  fi

  # pkg-config consumer (when asked), and the version check.
  for lib in ${libs//,/ }; do
    upper=${lib^^}
    printf '#include <%s/version.hpp>\n#include <cstring>\nint main() {\n  return std::strcmp(%s::versionString(), %s_VERSION_STRING) == 0 && %s::versionNumber() == %s_VERSION ? 0 : 1;\n}\n' \
      "$lib" "$lib" "$upper" "$lib" "$upper" >"$scratch/${lib}_version.cpp"
    if [ "$how" = pkg-config ]; then
      # shellcheck disable=SC2046
      "$cxx" -std=c++20 "$here/consumer/$lib.cpp" -o "$scratch/${lib}_pc" \
          $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs "$lib")
      LD_LIBRARY_PATH=$libdir "$scratch/${lib}_pc" >/dev/null || fail "pkg-config $lib program"
      echo "pkg-config $lib: ok"
    fi
    # shellcheck disable=SC2046
    "$cxx" -std=c++20 "$scratch/${lib}_version.cpp" -o "$scratch/${lib}_version" \
        $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs "$lib")
    LD_LIBRARY_PATH=$libdir "$scratch/${lib}_version" || fail "$lib: headers and library disagree on the version"
    echo "$lib: headers and loaded library at the same version"
  done
}
