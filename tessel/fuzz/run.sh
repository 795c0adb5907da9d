#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# run.sh <fuzz-build-dir> [seconds]: runs each tessel fuzz target briefly on its committed seed
# corpus (copied to a scratch folder, so the committed corpus stays as it is) and fails on a crash.
set -euo pipefail
if [[ ${1:-} == -h || ${1:-} == --help ]]; then
  sed -n '3,/^set/{/^# /s/^# //p}' "$0"
  exit 0
fi
build=$(cd "${1:?usage: run.sh <fuzz-build-dir> [seconds]}" && pwd)
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in validate get mutf8; do
  exe=$(find "$build" -type f -name "tessel_fuzz_$target" -perm -u+x -print -quit)
  if [[ -z $exe ]]; then
    echo "tessel_fuzz_$target: not built in $build" >&2
    status=1
    continue
  fi
  mkdir -p "$scratch/$target"
  cp "$here/corpus/$target"/* "$scratch/$target"/ 2>/dev/null || true
  echo "== tessel_fuzz_$target (${seconds}s)"
  if ! (cd "$scratch" && "$exe" -max_total_time="$seconds" -runs=5000000 -max_len=4096 \
          -print_final_stats=1 "$scratch/$target" 2>"$scratch/$target.log"); then
    tail -n 40 "$scratch/$target.log" >&2
    echo "tessel_fuzz_$target: FAILED" >&2
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$scratch/$target.log" || true
  fi
done
exit $status
