#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite. Starts a private
# JACK server (dummy driver, no sound card needed) for the real-MIDI tests and stops it at the
# end. Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/test"
"$root/scripts/setup.sh" test
"$root/scripts/build.sh" RelWithDebInfo "$build"

# Qt and JACK want a private runtime folder; a CI shell may have none.
[ -n "${XDG_RUNTIME_DIR:-}" ] || export XDG_RUNTIME_DIR="$(mktemp -d)"

# JACK keeps a registry of servers in shared memory with room for eight; a server that was
# killed (not stopped) keeps its place, and once eight are taken no server starts. When no JACK
# server runs at all, nothing can be using that registry, so stale entries are cleared.
if ! pgrep -x jackd >/dev/null 2>&1 && ! pgrep -x jackdbus >/dev/null 2>&1; then
  rm -f /dev/shm/jack-shm-registry /dev/shm/jack-[0-9]*-* /dev/shm/jack_* 2>/dev/null || true
fi

# A private server name keeps the tests away from any JACK server the user runs.
export JACK_DEFAULT_SERVER="torvane-test-$$"
export JACK_NO_AUDIO_RESERVATION=1
jack_log="$build/jackd.log"
jackd -n "$JACK_DEFAULT_SERVER" -r -d dummy -r 48000 -p 256 >"$jack_log" 2>&1 &
jack_pid=$!
stop_jack() {
  kill "$jack_pid" 2>/dev/null || true
  wait "$jack_pid" 2>/dev/null || true
}
trap stop_jack EXIT
# The real-MIDI tests need the server: with TORVANE_TEST_JACK set they fail (not skip) when it
# does not answer, so a server that did not come up shows as failures, not as a quiet pass.
export TORVANE_TEST_JACK=1
if ! jack_wait -s "$JACK_DEFAULT_SERVER" -w -t 15 >/dev/null 2>&1; then
  echo "warning: the JACK test server did not start (see $jack_log); the real-MIDI tests will fail"
fi

# The sanitizer builds and the short fuzz runs first (scripts/test-sanitizers.sh); they stop
# the command at the first failure. TORVANE_SKIP_SANITIZERS=1 leaves them out of a quick run.
if [ "${TORVANE_SKIP_SANITIZERS:-0}" != 1 ]; then
  "$root/scripts/test-sanitizers.sh"
fi

# The Debian package made from this build, installed and tried in a clean Debian 12 root
# (scripts/test-package.sh). TORVANE_SKIP_PACKAGE=1 leaves it out of a quick run.
if [ "${TORVANE_SKIP_PACKAGE:-0}" != 1 ]; then
  "$root/scripts/test-package.sh" "$build"
fi

cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
