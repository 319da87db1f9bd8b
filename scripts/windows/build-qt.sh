#!/usr/bin/env bash
# build-qt.sh: builds Qt for Windows (Core, Gui, Widgets and the Windows platform and style
# plugins) from Debian's own qt6-base source, the version the Linux build uses, with the MinGW-w64
# cross compiler and Debian's host Qt as the host tools. Built once into the cache and reused
# while the version and the options below match; prints the prefix.
#
#   build-qt.sh --cached   prints the prefix only when it is built already (exit 1 otherwise)
set -euo pipefail
source "$(dirname "$0")/common.sh"

version=$(debian_version qt6-base-dev)
[ -n "$version" ] || { echo "build-qt.sh: qt6-base-dev is not installed" >&2; exit 1; }

# Only what the editor uses. Debian's source has the tablet (Wintab) and IAccessible2 sources
# taken out: no tablet events and no Direct2D (UI Automation carries accessibility on Windows).
# Without Direct2D QtGui has no DirectWrite font database, which the platform plugin would take
# with DirectWrite 3 on: DirectWrite is left out and the plugin uses the GDI font database, Qt
# 6.4's default on Windows anyway.
options=(
  -release -shared -opensource -confirm-license -nomake examples -nomake tests
  -xplatform win32-g++ -device-option CROSS_COMPILE="$windows_triplet-"
  -qt-host-path /usr
  -no-feature-network -no-feature-sql -no-feature-printsupport -no-feature-concurrent
  -no-feature-testlib -no-feature-xml -no-dbus -no-opengl -no-feature-vulkan
  -no-feature-tabletevent -no-feature-direct2d -no-feature-directwrite -no-feature-directwrite3
  -no-feature-pdf
)
key=$(inputs_key "$version" "${options[@]}")
prefix=$windows_cache/qt-$version-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
[ "${1:-}" != --cached ] || exit 1

work=$windows_cache/build-qt-$key
rm -rf "$work" "$prefix"
echo "Building Qt $version for Windows (once; 15 to 20 minutes on two cores) in $work" >&2
fetch_debian_source qt6-base "$version" "$work/src" >&2
source_dir=$(ls -d "$work"/src/qtbase-everywhere-src-*/)
mkdir -p "$work/build"
(
  cd "$work/build"
  "$source_dir/configure" -prefix "$prefix" "${options[@]}" -- \
    -G Ninja -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/"$(dpkg-architecture -qDEB_HOST_MULTIARCH)"/cmake
  cmake --build . --parallel "$(nproc)"
  cmake --install .
) >"$work/build.log" 2>&1 || {
  echo "build-qt.sh: the Qt build failed; its log: $work/build.log" >&2
  tail -30 "$work/build.log" >&2
  exit 1
}
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
