#!/usr/bin/env bash
# build-rtmidi.sh: builds RtMidi for Windows (WinMM only, a static library) from Debian's own
# rtmidi source, the version the Linux build links. Built once into the cache and reused while
# the version and the options match; prints the prefix (pkg-config file in lib/pkgconfig).
set -euo pipefail
source "$(dirname "$0")/common.sh"

version=$(debian_version librtmidi-dev)
[ -n "$version" ] || version=$(apt-cache policy librtmidi-dev | awk '/Candidate:/ {print $2}')
# Ports are named as WinMM names them (the product name), without the number RtMidi otherwise
# appends to each name.
options=(
  -DCMAKE_CXX_FLAGS=-DRTMIDI_DO_NOT_ENSURE_UNIQUE_PORTNAMES
  -DBUILD_SHARED_LIBS=OFF -DRTMIDI_API_WINMM=ON -DRTMIDI_API_JACK=OFF -DRTMIDI_API_ALSA=OFF
  -DRTMIDI_BUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release
)
# WinMM's "no devices" is a warning that RtMidi's constructor prints on standard error, before
# anyone can set the error callback that would take it: a machine without MIDI devices is an
# ordinary case for the editor, which says so itself. It is made a debug warning, printed only
# by a debug build of RtMidi; everything reported later still reaches the callback.
quiet_no_devices='/no MIDI \(input\|output\) devices currently available/{n;s/RtMidiError::WARNING/RtMidiError::DEBUG_WARNING/}'
key=$(inputs_key "$version" "${options[@]}" "$quiet_no_devices")
prefix=$windows_cache/rtmidi-$version-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work=$windows_cache/build-rtmidi-$key
rm -rf "$work" "$prefix"
echo "Building RtMidi $version for Windows (once) in $work" >&2
fetch_debian_source rtmidi "$version" "$work/src" >&2
source_dir=$(ls -d "$work"/src/rtmidi-*/)
sed -i "$quiet_no_devices" "$source_dir/RtMidi.cpp"
{
  cmake -S "$source_dir" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}"
  cmake --build "$work/build"
  cmake --install "$work/build"
} >"$work/build.log" 2>&1 || {
  echo "build-rtmidi.sh: the RtMidi build failed; its log: $work/build.log" >&2
  tail -30 "$work/build.log" >&2
  exit 1
}
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
