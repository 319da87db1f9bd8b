# Sourced by the Windows build scripts: where their cache lives and how its entries are named.
#
# The cache holds what is slow to build and changes only with Debian's sources or our options:
# Qt for Windows (15 to 20 minutes on two cores) and RtMidi for WinMM. It lives outside the
# clone, so that a fresh clone, `git clean` or another work tree reuses it.
windows_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
windows_cache=${TORVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/torvane-windows}
windows_toolchain=$windows_root/cmake/mingw-w64-x86_64.cmake
windows_triplet=x86_64-w64-mingw32
# The editor's version, as the project states it.
windows_version=$(sed -n 's/^project(Torvane VERSION \([0-9.]*\).*/\1/p' "$windows_root/CMakeLists.txt")

# The Debian version of a source package, as the archive serves it for this machine (the same
# version its binary packages have, e.g. qt6-base-dev's).
debian_version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || true; }

# A short key for a cache entry: the package's version, the options it was built with and the
# cross compiler's version. An entry is reused only while all of them match.
inputs_key() {
  { echo "$*"; "$windows_triplet-g++-posix" --version | head -1; } | sha256sum | cut -c1-12
}

# Unpacks Debian's original source of PACKAGE at VERSION into DIR/SOURCE_DIR (once).
fetch_debian_source() {
  local package=$1 version=$2 dir=$3
  mkdir -p "$dir"
  (
    cd "$dir"
    ls ./*.orig.tar.* >/dev/null 2>&1 || apt-get source --download-only -q "$package=$version" >/dev/null
    local tarball
    tarball=$(ls ./*.orig.tar.* | head -1)
    tar xf "$tarball"
  )
}
