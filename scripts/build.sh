#!/usr/bin/env bash
# build.sh BUILD_TYPE BUILD_DIR [extra cmake args...]: configures (once) and builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
type=${1:-Release}
dir=${2:-$root/build}
shift $(( $# > 2 ? 2 : $# ))
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
