#!/usr/bin/env bash
# package-windows.sh: builds the editor for Windows on this Debian machine and tries it under
# Wine. Installs what is missing (scripts/setup.sh windows), builds Qt for Windows from Debian's
# qt6-base source once (15 to 20 minutes on two cores; kept in ~/.cache/torvane-windows, or
# TORVANE_WINDOWS_CACHE, and reused), RtMidi for WinMM likewise, then torvane.exe, torvane.com
# and torvane-sim.exe, and makes in build/windows:
#   torvane-<version>-windows-x64.zip        the programs and all they need: unzip and run
#   torvane-<version>-windows-x64-setup.exe  a per-user installer (Start menu, "Apps" entry)
# Then runs the Wine tests (CTest label "wine") on both and prints the two paths.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/windows
"$root/scripts/setup.sh" windows

source "$root/scripts/windows/common.sh"
dist=$("$root/scripts/windows/build-editor.sh" "$out")
name=torvane-$windows_version-windows-x64

# The zip holds one folder named after the version, as Windows users expect to unpack it.
rm -rf "${out:?}/$name" "$out/$name.zip"
cp -r "$dist" "$out/$name"
(cd "$out" && zip -q -r -9 "$name.zip" "$name")
rm -rf "${out:?}/$name"
setup=$("$root/scripts/windows/make-installer.sh" "$dist" "$windows_version" "$out/$name-setup.exe")

cmake -S "$root/tests/wine" -B "$out/tests" -DTORVANE_WINDOWS_DIST="$dist" \
  -DTORVANE_WINDOWS_SETUP="$setup" >/dev/null
(cd "$out/tests" && ctest --output-on-failure -j "$(nproc)")
echo "$out/$name.zip"
echo "$setup"
