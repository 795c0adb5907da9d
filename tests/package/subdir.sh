#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: subdir.sh <source-dir> <scratch-dir> <lib> <c++ compiler>
# Adds the suite to a user's project as a subfolder (tests/package/subdir), builds the user's
# program against <lib> and runs it. The suite as a subproject builds no tests, examples or
# benchmarks of its own, and none of its targets or options takes a name the user's project has.
set -euo pipefail
if [[ ${1:-} == -h || ${1:-} == --help ]]; then sed -n '3,/^set/{/^# /s/^# //p}' "$0"; exit 0; fi
source=$1 scratch=$2 lib=$3 cxx=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
mkdir -p "$(dirname "$scratch")"
cmake -S "$here/subdir" -B "$scratch" -DCMAKE_CXX_COMPILER="$cxx" -DSUITE_SOURCE_DIR="$source" \
      -DSUITE_LIB="$lib" >"$scratch.log" 2>&1 || { cat "$scratch.log"; exit 1; }
targets=$(cmake --build "$scratch" --target help)
if grep -E '_test$|_bench_|_example_' <<<"$targets"; then
  echo "FAILED: the suite as a subproject declares tests, benchmarks or examples"; exit 1
fi
cmake --build "$scratch" --target app >"$scratch.log" 2>&1 || { tail -n 40 "$scratch.log"; exit 1; }
"$scratch/app" || { echo "FAILED: the program built with the suite as a subfolder"; exit 1; }
echo "add_subdirectory: $lib program built and ran"
