#!/usr/bin/env bash
# A private JACK server with the dummy driver (no sound card needed), for the test and
# benchmark scripts. Source this file, then:
#
#   jack_start NAME LOG  starts the server NAME (its output in LOG) and waits until it
#                        answers, trying again (TORVANE_JACK_ATTEMPTS times, default 10) while
#                        JACK has no room for another server; exports JACK_DEFAULT_SERVER=NAME
#                        and JACK_NO_AUDIO_RESERVATION=1 for the clients. Non-zero when no
#                        attempt came up.
#   jack_stop            stops it and waits for it to go.
#
# Run as a program (scripts/jack.sh check), it starts a server, says whether it answered, and
# stops it again.

# JACK keeps a registry of servers in shared memory with room for eight; a server that was
# killed (not stopped) keeps its place, and once eight are taken no server starts. When no JACK
# server runs at all, nothing can be using that registry, so stale entries are cleared; while
# any runs (another user's, another test run's), the registry is left alone.
jack_clear_stale_registry() {
  if ! pgrep -x jackd >/dev/null 2>&1 && ! pgrep -x jackdbus >/dev/null 2>&1; then
    rm -f /dev/shm/jack-shm-registry /dev/shm/jack-[0-9]*-* /dev/shm/jack_* 2>/dev/null || true
  fi
}

# One attempt: the server started, then up to 15 s for it to answer; it exits at once when the
# registry is full. (jack_wait -c exits with 0 whether the server runs or not: -w -t does not.)
# Real-time (-R), as musicians run it: the cycle and the clients' process callbacks come before
# ordinary work, so a busy machine does not make a client miss a cycle and what it carries
# (without the right to real-time scheduling, jackd says so and runs without it).
jack_try_start() { # NAME LOG
  jackd -n "$1" -R -d dummy -r 48000 -p 256 >>"$2" 2>&1 &
  JACK_PID=$!
  for _ in $(seq 15); do
    jack_wait -s "$1" -w -t 1 >/dev/null 2>&1 && return 0
    kill -0 "$JACK_PID" 2>/dev/null || break
  done
  jack_stop
  return 1
}

jack_start() { # NAME LOG
  local attempts=${TORVANE_JACK_ATTEMPTS:-10} attempt
  export JACK_DEFAULT_SERVER="$1" JACK_NO_AUDIO_RESERVATION=1
  : >"$2"
  jack_clear_stale_registry
  for attempt in $(seq "$attempts"); do
    jack_try_start "$1" "$2" && return 0
    echo "The JACK server $1 did not start (attempt $attempt of $attempts)." >&2
    [ "$attempt" -lt "$attempts" ] && sleep 3
  done
  return 1
}

# SIGTERM, so that the server leaves JACK's registry of servers on its way out.
jack_stop() {
  if [ -n "${JACK_PID:-}" ]; then
    kill "$JACK_PID" 2>/dev/null || true
    wait "$JACK_PID" 2>/dev/null || true
    JACK_PID=
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  [ "${1:-}" = check ] || { echo "usage: $0 check (or source it)" >&2; exit 2; }
  [ -n "${XDG_RUNTIME_DIR:-}" ] || export XDG_RUNTIME_DIR="$(mktemp -d)"
  log=$(mktemp)
  trap jack_stop EXIT
  if jack_start "torvane-check-$$" "$log"; then
    echo "JACK server $JACK_DEFAULT_SERVER answers (pid $JACK_PID)."
  else
    echo "JACK server did not start; its output:" >&2
    cat "$log" >&2
    exit 1
  fi
fi
