#!/usr/bin/env bash
# build-editor.sh [BUILD_DIR]: builds torvane.exe, torvane.com and torvane-sim.exe for Windows
# against the cached Windows Qt and RtMidi (built first when missing) and installs them with
# everything they need into BUILD_DIR/dist (default build/windows). Prints the dist folder.
set -euo pipefail
source "$(dirname "$0")/common.sh"

out=${1:-$windows_root/build/windows}
mkdir -p "$out"
qt=$("$windows_root/scripts/windows/build-qt.sh")
rtmidi=$("$windows_root/scripts/windows/build-rtmidi.sh")
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)

# A machine that builds the Windows programs again and again (scripts/test.sh on every run) has
# ccache keep what compiled before, under ~/.cache/ccache.
launcher=$(command -v ccache || true)

# pkg-config looks at the Windows RtMidi only, never at the machine's own libraries.
export PKG_CONFIG_LIBDIR=$rtmidi/lib/pkgconfig
export PKG_CONFIG_PATH=
# What pkg-config found is cached by CMake: it is looked up again, as RtMidi's prefix changes
# with its options.
cmake -S "$windows_root" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -U "*RTMIDI*" -U "__pkg_config_checked_*" \
  -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" \
  -DCMAKE_FIND_ROOT_PATH="$qt;$rtmidi" -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$multiarch/cmake" \
  -DTORVANE_TESTS=OFF -DTORVANE_BENCH=OFF -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" \
  -DCMAKE_INSTALL_BINDIR=. -DCMAKE_INSTALL_PREFIX="$out/dist" >"$out/configure.log" 2>&1 || {
  cat "$out/configure.log" >&2
  exit 1
}
cmake --build "$out/build" -j "$(nproc)" >&2
rm -rf "$out/dist"
cmake --install "$out/build" --strip >/dev/null
# Qt's and the compiler's DLLs come with their symbols: a quarter of their size without them.
find "$out/dist" -name '*.dll' -exec "$windows_triplet-strip" --strip-unneeded {} +
echo "$out/dist"
