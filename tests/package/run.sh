#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# run.sh <build-dir> <scratch-dir> <lib,lib,...> <c++ compiler>
# Installs the build into <scratch-dir>/prefix and builds each consumer twice: with CMake's
# find_package and with pkg-config. Every program must build, link and run.
set -euo pipefail
build=$1 scratch=$2 libs=$3 cxx=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# CMake consumer.
cmake -S "$here/consumer" -B "$scratch/cmake" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_PREFIX_PATH="$prefix" -DCONSUMER_LIBS="${libs//,/;}" >/dev/null
cmake --build "$scratch/cmake" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'lib*.so' -print -quit)")
pcdir=$(dirname "$(find "$prefix" -name '*.pc' -print -quit)")
for lib in ${libs//,/ }; do
  LD_LIBRARY_PATH=$libdir "$scratch/cmake/${lib}_consumer" >/dev/null
  echo "find_package($lib): ok"
done

# pkg-config consumer.
for lib in ${libs//,/ }; do
  # shellcheck disable=SC2046
  "$cxx" -std=c++20 "$here/consumer/$lib.cpp" -o "$scratch/${lib}_pc" \
      $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs "$lib")
  LD_LIBRARY_PATH=$libdir "$scratch/${lib}_pc" >/dev/null
  echo "pkg-config $lib: ok"
done
