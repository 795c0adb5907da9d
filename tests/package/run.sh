#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: run.sh <build-dir> <scratch-dir> <lib,lib,...> <c++ compiler>
# Installs the build into <scratch-dir>/prefix, checks the layout of the installed tree, then
# builds each consumer with CMake's find_package, and with pkg-config a program that compares the
# version of the headers with the version of the loaded library (the Debian packages' test builds
# the consumers with pkg-config). Every program must build,
# link and run. The consumers find the libraries the way the README tells users to:
# CMAKE_PREFIX_PATH, PKG_CONFIG_PATH and LD_LIBRARY_PATH.
set -euo pipefail
if [[ ${1:-} == -h || ${1:-} == --help ]]; then sed -n '3,/^set/{/^# /s/^# //p}' "$0"; exit 0; fi
build=$1 scratch=$2 libs=$3 cxx=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/consume.sh"
rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# Layout: each library's headers under include/<lib>/ (nothing else directly in include/), its
# licence under share/doc/<lib>/, its generated version header, no placeholder files.
for lib in ${libs//,/ }; do
  [ -f "$prefix/share/doc/$lib/LICENSE" ] || fail "no licence installed for $lib"
  [ -f "$prefix/include/$lib/$lib/version.hpp" ] || fail "no $lib/version.hpp installed"
  [ -f "$prefix/include/$lib/$lib/export.hpp" ] || fail "no $lib/export.hpp installed"
done
stray=$(find "$prefix/include" -mindepth 1 -maxdepth 1 | grep -v -E "/(veltro|kestrel|scheduler|tessel|chronal|wayfare)$" || true)
[ -z "$stray" ] || fail "installed outside include/<lib>/: $stray"
placeholders=$(find "$prefix" -name '.keep' -o -name '.gitkeep')
[ -z "$placeholders" ] || fail "placeholders installed: $placeholders"
echo "install layout: ok"

consume "$prefix" "$scratch/from-install" "$libs" "$cxx" cmake
