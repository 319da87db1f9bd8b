#!/usr/bin/env bash
# test.sh [--quick]: installs what is missing, builds everything and runs the whole test suite.
# Starts a private JACK server (dummy driver, no sound card needed) for the real-MIDI tests and
# stops it at the end. Exits non-zero when anything fails.
#
# --quick builds build/test and runs only the tests labelled "unit", those that need nothing
# outside their own process (no JACK server, virtual machine, Wine, accessibility bus or
# package): the loop between an edit and its check. No sanitizer, package or Windows build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/test"
quick=0
case "${1:-}" in
"") ;;
--quick) quick=1 ;;
*)
  echo "usage: scripts/test.sh [--quick]" >&2
  exit 2
  ;;
esac
"$root/scripts/setup.sh" test
# lld links the many test programs several times faster than the default linker.
linker=-DTORVANE_LINKER=lld
# ccache keeps the objects of every build (plain, sanitizers) from one run to the next, under
# ~/.cache/ccache: a run after a small change compiles only what the change touched. Keyed by
# the sources relative to the checkout (the build folders' own paths left out), so that a fresh
# clone finds what an earlier one compiled. CMake takes the launcher from the environment when
# it first configures a build folder.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
fi

if [ "$quick" = 1 ]; then
  "$root/scripts/build.sh" RelWithDebInfo "$build" "$linker"
  [ -n "${XDG_RUNTIME_DIR:-}" ] || export XDG_RUNTIME_DIR="$(mktemp -d)"
  cd "$build"
  exec ctest --output-on-failure -j "$(nproc)" --timeout 300 -L unit
fi

# The Windows build under Wine (label "wine"), when Qt for Windows is cached on this machine:
# scripts/package-windows.sh builds it once, in about a quarter of an hour, which a test run does not add.
windows=(-DTORVANE_WINDOWS_DIST= -DTORVANE_WINDOWS_SETUP=)
if "$root/scripts/windows/build-qt.sh" --cached >/dev/null; then
  "$root/scripts/setup.sh" windows
  source "$root/scripts/windows/common.sh"
  dist=$("$root/scripts/windows/build-editor.sh" "$root/build/windows")
  setup=$("$root/scripts/windows/make-installer.sh" "$dist" "$windows_version" \
    "$root/build/windows/test-setup.exe")
  windows=(-DTORVANE_WINDOWS_DIST="$dist" -DTORVANE_WINDOWS_SETUP="$setup")
else
  echo "The Windows build is not tried under Wine: no Qt for Windows is cached here" \
    "(scripts/package-windows.sh builds it)"
fi
"$root/scripts/build.sh" RelWithDebInfo "$build" "$linker" "${windows[@]}"

# Qt and JACK want a private runtime folder; a CI shell may have none.
[ -n "${XDG_RUNTIME_DIR:-}" ] || export XDG_RUNTIME_DIR="$(mktemp -d)"

# A private server name keeps the tests away from any JACK server the user runs
# (scripts/jack.sh: it tries again while JACK has no room for another server).
source "$root/scripts/jack.sh"
trap jack_stop EXIT
jack_log="$build/jackd.log"
# The real-MIDI tests need the server: with TORVANE_TEST_JACK set they fail (not skip) when it
# does not answer, so a server that did not come up shows as failures, not as a quiet pass.
export TORVANE_TEST_JACK=1
if ! jack_start "torvane-test-$$" "$jack_log"; then
  echo "warning: the JACK test server did not start (see $jack_log); the real-MIDI tests will fail"
fi

# The sanitizer builds and the short fuzz runs first (scripts/test-sanitizers.sh); they stop
# the command at the first failure. TORVANE_SKIP_SANITIZERS=1 leaves them out of a quick run.
# The AddressSanitizer build runs every test but those labelled below, so the plain build then
# runs only those: the ALSA tests in their virtual machine, the accessibility test, the Windows
# programs under Wine and the PipeWire runs of the live-MIDI tests.
plain=()
if [ "${TORVANE_SKIP_SANITIZERS:-0}" != 1 ]; then
  "$root/scripts/test-sanitizers.sh"
  plain=(-L 'alsa|atspi|wine|pipewire')
fi

# The Debian package made from this build, installed and tried in a clean Debian 12 root
# (scripts/test-package.sh). TORVANE_SKIP_PACKAGE=1 leaves it out of a quick run.
if [ "${TORVANE_SKIP_PACKAGE:-0}" != 1 ]; then
  "$root/scripts/test-package.sh" "$build"
fi

cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300 "${plain[@]}"
