#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: cxx17.sh <source-dir> <build-dir> <lib,lib,...> <c++ compiler> [<c compiler>]
# Every public header, included alone into a C++17 translation unit, must stop with one clear
# error naming C++20 (the #error of <lib>/export.hpp, then the stop that keeps further errors
# away), and nothing else. The C headers must still compile as C.
set -euo pipefail
if [[ ${1:-} == -h || ${1:-} == --help ]]; then sed -n '3,/^set/{/^# /s/^# //p}' "$0"; exit 0; fi
source=$1 build=$2 libs=$3 cxx=$4 cc=${5:-cc}
status=0 count=0
for lib in ${libs//,/ }; do
  inc=$source/$lib/include
  [ -d "$inc" ] || continue
  while IFS= read -r header; do
    rel=${header#"$inc"/}
    count=$((count + 1))
    out=$(printf '#include <%s>\n' "$rel" |
          "$cxx" -std=c++17 -fsyntax-only -x c++ -I"$inc" -I"$build/$lib/generated/include" - 2>&1) && {
      echo "$lib: <$rel> compiles as C++17 instead of failing"; status=1; continue; }
    first=$(grep -m1 'error' <<<"$out" || true)
    others=$(grep 'error' <<<"$out" | grep -v -c -e 'needs C++20' -e 'requires-cpp20' || true)
    if [[ $first != *"needs C++20"* || $others -ne 0 ]]; then
      echo "$lib: <$rel> as C++17 does not give the one C++20 error:"; echo "$out" | head -n 8; status=1
    fi
    if [[ $rel == *.h ]] && ! printf '#include <%s>\nint main(void) { return 0; }\n' "$rel" |
         "$cc" -std=c11 -fsyntax-only -x c -I"$inc" - >/dev/null 2>&1; then
      echo "$lib: <$rel> does not compile as C"; status=1
    fi
  done < <(find "$inc" \( -name '*.hpp' -o -name '*.h' \) | sort)
done
[ $status -eq 0 ] && echo "$count public headers: one C++20 error each under C++17"
exit $status
