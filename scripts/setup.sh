#!/usr/bin/env bash
# setup.sh [run] [test] [bench] [package] [windows]: installs the Debian packages that a command
# needs, only those that are missing. Safe to run again; does nothing when everything is there.
#
#   run      build and start the editor (scripts/run.sh)
#   test     run + the test tools, the sanitizer compiler and the package checks (scripts/test.sh)
#   bench    run + Google Benchmark and the JACK server the figures use (bench/run.sh)
#   package  run + what makes the Debian package (scripts/package.sh)
#   windows  run + the Windows build and its checks under Wine (scripts/package-windows.sh);
#            also adds Debian's source archive to apt's lists when it is not there, for the
#            sources of Qt and RtMidi
#
# Without an argument it installs what every command needs.
set -euo pipefail

run=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev libgl-dev
  librtmidi-dev libjack-jackd2-dev libasound2-dev
  xvfb xauth
  fonts-dejavu-core
)
jack_server=(jackd2 jack-tools)
# PipeWire's JACK: the editor is also tested and measured as `pw-jack` runs it.
pipewire_jack=(pipewire pipewire-bin pipewire-jack)
package=(dpkg-dev file)
# The package checks: the desktop entry, the metainfo and the manual pages are validated, and
# the package is installed into a scratch Debian root made by debootstrap.
package_checks=(desktop-file-utils appstream groff-base debootstrap)
# The accessibility test: the window read over a private AT-SPI bus by a pyatspi script.
atspi=(dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0 python3-gi)
# The ALSA sequencer's tests run in a small virtual machine with Debian's kernel
# (scripts/alsa-vm.sh); alsa-utils drives the raw side of its virtual MIDI ports.
alsa_vm=(qemu-system-x86 linux-image-amd64 busybox-static cpio alsa-utils)
test=(
  libgtest-dev libgmock-dev libbenchmark-dev
  "${atspi[@]}"
  "${jack_server[@]}" "${pipewire_jack[@]}"
  clang-14 libclang-rt-14-dev llvm-14 lld ccache
  "${package[@]}" "${package_checks[@]}"
  "${alsa_vm[@]}"
)
bench=(libbenchmark-dev "${jack_server[@]}" "${pipewire_jack[@]}")
# The Windows build: the MinGW-w64 cross compiler (POSIX threads), the host Qt's tools (moc, rcc,
# uic) for the Windows Qt, what unpacks Debian's sources, NSIS for the installer; its checks run
# the programs under Wine on a virtual display, driven by xdotool and photographed by import;
# ccache keeps the Windows objects from one build to the next.
windows=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 qt6-base-dev-tools dpkg-dev xz-utils
  nsis zip wine wine64 xdotool imagemagick xxd python3 ccache
)

[ $# -gt 0 ] || set -- test bench package
packages=("${run[@]}")
for command in "$@"; do
  case "$command" in
  run) ;;
  test) packages+=("${test[@]}") ;;
  bench) packages+=("${bench[@]}") ;;
  package) packages+=("${package[@]}") ;;
  windows) packages+=("${windows[@]}") ;;
  *)
    echo "usage: setup.sh [run] [test] [bench] [package] [windows]" >&2
    exit 2
    ;;
  esac
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# A fresh machine may be installing its own updates: wait for apt's lock rather than fail.
apt=(apt-get -o DPkg::Lock::Timeout=600)

# The Windows build compiles Qt and RtMidi from Debian's own sources ("apt-get source"), which
# needs the source archive in apt's lists.
if [[ " $* " == *" windows "* ]] &&
  ! grep -Eqrs '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "Adding Debian's source archive for $suite to apt's lists"
  printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" \
    "Suites: $suite $suite-updates" "Components: main" \
    "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
    $sudo tee /etc/apt/sources.list.d/torvane-deb-src.sources >/dev/null
  $sudo "${apt[@]}" update -q
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
# One name once, in the order first asked for.
readarray -t missing < <(printf '%s\n' "${missing[@]}" | awk '!seen[$0]++')

echo "Installing missing packages: ${missing[*]}"
# jackd2 asks whether to enable real-time priority; the answer does not matter here.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections 2>/dev/null || true
$sudo "${apt[@]}" update -q
$sudo env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -q --no-install-recommends \
  "${missing[@]}"
