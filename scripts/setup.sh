#!/usr/bin/env bash
# Installs the Debian packages the editor needs to build, run and be tested, only those that
# are missing. Safe to run again; does nothing when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev libgl-dev
  librtmidi-dev libjack-jackd2-dev jackd2 jack-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  clang-14 libclang-rt-14-dev llvm-14
  fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# jackd2 asks whether to enable real-time priority; the answer does not matter here.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections 2>/dev/null || true
$sudo apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
