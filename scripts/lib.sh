# SPDX-License-Identifier: MIT
# Shared by the scripts in this folder: package checks and the build presets.
# shellcheck shell=bash
set -euo pipefail

# -h or --help on any script that sources this file prints the script's leading comment and stops,
# before anything is installed or built.
if [[ ${1:-} == -h || ${1:-} == --help ]]; then
  sed -n '2,/^[^#]/{/^# SPDX/d;/^#/{s/^# \{0,1\}//;p}}' "$0"
  exit 0
fi

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

# The Debian packages every build needs.
# (dpkg-dev and file: the packaging test builds Debian packages with cpack.)
BASE_PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
               libgmp-dev libmpfr-dev libfmt-dev dpkg-dev file)

# ensure_packages pkg...: installs what is missing when root; otherwise prints the apt-get line and
# fails. Quiet when everything is present.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run as root, or install them first:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_and_build <preset> [targets...]: configures (first time) and builds quietly; on failure
# the build log is shown.
configure_and_build() {
  local preset=$1; shift
  local log="build/$preset.log"
  mkdir -p build
  if ! cmake --preset "$preset" >"$log" 2>&1; then cat "$log" >&2; return 1; fi
  local args=(--build --preset "$preset")
  [ $# -gt 0 ] && args+=(--target "$@")
  if ! cmake "${args[@]}" >>"$log" 2>&1; then tail -n 80 "$log" >&2; return 1; fi
}

# run_tests <preset>: runs ctest; prints its summary, and the failures' output when there are any.
run_tests() {
  local log="build/$1-ctest.log" rc=0
  ctest --preset "$1" >"$log" 2>&1 || rc=$?
  if [ $rc -ne 0 ]; then
    grep -v -E '^ *(Start +[0-9]+|[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed)' "$log" | tail -n 300
  else
    sed -n '/tests passed/,$p' "$log"
  fi
  return $rc
}
