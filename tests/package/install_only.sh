#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: install_only.sh <source-dir> <scratch-dir>
# Configures the suite the way the README's install recipe does (BUILD_TESTING=OFF), with
# GoogleTest, Google Benchmark and pkg-config made unfindable and Make instead of Ninja: it must
# succeed and declare nothing but the libraries (and examples). Also with an absolute
# CMAKE_INSTALL_LIBDIR: the .pc files must then name that folder.
set -euo pipefail
if [[ ${1:-} == -h || ${1:-} == --help ]]; then sed -n '3,/^set/{/^# /s/^# //p}' "$0"; exit 0; fi
source=$1 scratch=$2
rm -rf "$scratch"
mkdir -p "$(dirname "$scratch")"
cmake -S "$source" -B "$scratch" -G "Unix Makefiles" -DBUILD_TESTING=OFF \
      -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
      -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON \
      -DCMAKE_INSTALL_PREFIX=/opt/suite -DCMAKE_INSTALL_LIBDIR=/opt/suite-libs >"$scratch.log" 2>&1 ||
  { cat "$scratch.log"; echo "FAILED: install-only configuration"; exit 1; }
targets=$(cmake --build "$scratch" --target help)
if grep -E '_test$|_tests$|_bench_|gtest|gmock' <<<"$targets"; then
  echo "FAILED: BUILD_TESTING=OFF still declares tests or benchmarks"; exit 1
fi
found=0
for pc in "$scratch"/*/*.pc; do
  [ -e "$pc" ] || continue
  found=1
  grep -qx 'libdir=/opt/suite-libs' "$pc" || { echo "FAILED: $pc with an absolute libdir:"; cat "$pc"; exit 1; }
  grep -qx 'includedir=/opt/suite/include' "$pc" || { echo "FAILED: $pc includedir:"; cat "$pc"; exit 1; }
done
[ $found -eq 1 ] || { echo "FAILED: no .pc file generated"; exit 1; }
echo "install-only configuration: ok (no tests, no GoogleTest, no pkg-config, no Ninja; absolute libdir)"
