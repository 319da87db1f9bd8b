#!/usr/bin/env bash
# package.sh [BUILD_DIR]: installs what is missing, builds the editor (Release, no tests) in
# BUILD_DIR (default build/package) and makes its Debian package there; prints the package's
# path. Install it with: sudo apt-get install ./torvane_<version>_<arch>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/package}
"$root/scripts/setup.sh" package
"$root/scripts/build.sh" Release "$build" -DTORVANE_TESTS=OFF -DTORVANE_BENCH=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr
cd "$build"
rm -f torvane_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
ls "$build"/torvane_*.deb
