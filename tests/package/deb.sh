#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: deb.sh <build-dir> <scratch-dir> <lib,lib,...> <c++ compiler>
# Builds the Debian packages with `cpack -G DEB`, checks that every library has a runtime and a
# -dev package with the right dependencies and that no two packages share a file (so they install
# side by side), unpacks them all into a scratch root with dpkg -x and builds the consumers
# against that root.
set -euo pipefail
if [[ ${1:-} == -h || ${1:-} == --help ]]; then sed -n '3,/^set/{/^# /s/^# //p}' "$0"; exit 0; fi
build=$1 scratch=$2 libs=$3 cxx=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/consume.sh"
rm -rf "$scratch"
mkdir -p "$scratch/root"
(cd "$build" && cpack -G DEB -B "$scratch/debs" >"$scratch/cpack.log" 2>&1) ||
  { tail -n 40 "$scratch/cpack.log"; fail "cpack -G DEB"; }
for lib in ${libs//,/ }; do
  dev=$(find "$scratch/debs" -maxdepth 1 -name "lib${lib}-dev_*.deb")
  run=$(find "$scratch/debs" -maxdepth 1 -name "lib${lib}[0-9]*_*.deb")
  [ -n "$dev" ] && [ -n "$run" ] || fail "no runtime or -dev package for $lib"
  runname=$(dpkg-deb -f "$run" Package)
  dpkg-deb -f "$dev" Depends | grep -q "$runname (= " || fail "lib${lib}-dev does not depend on $runname"
  dpkg-deb -f "$run" Depends | grep -q 'libc6' || fail "$runname has no shared-library dependencies"
  if [ "$lib" = chronal ]; then
    dpkg-deb -f "$run" Depends | grep -q 'libgmp' || fail "$runname does not depend on GMP"
    dpkg-deb -f "$dev" Depends | grep -q 'libgmp-dev' || fail "lib${lib}-dev does not depend on libgmp-dev"
  fi
  grep -q "usr/share/doc/$lib/LICENSE" <<<"$(dpkg-deb -c "$run")" || fail "$runname has no licence"
  grep -q "usr/include/$lib/$lib/version.hpp" <<<"$(dpkg-deb -c "$dev")" || fail "lib${lib}-dev has no version header"
done
# Side by side: no file (directories aside) in two packages.
shared=$(for deb in "$scratch"/debs/*.deb; do dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}'; done | sort | uniq -d)
[ -z "$shared" ] || fail "files in more than one package: $shared"
for deb in "$scratch"/debs/*.deb; do dpkg -x "$deb" "$scratch/root"; done
echo "packages: $(cd "$scratch/debs" && ls ./*.deb | tr '\n' ' ')"
consume "$scratch/root/usr" "$scratch/consumers" "$libs" "$cxx" pkg-config
