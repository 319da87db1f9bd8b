#!/usr/bin/env bash
# atspi_session.sh EDITOR SCRIPT: runs the editor as a screen reader meets it, and SCRIPT
# (python3, pyatspi) against it: a virtual X display, a private D-Bus session with the
# accessibility bus, the editor with Qt's AT-SPI bridge always on, in a private home (settings
# and data) from a copy of its own, so that its autosaved presets land there and nowhere else.
# The editor starts on the "Virtual Loopback" with output 1 driven by controller 74 (Sound
# Brightness) on channel 1. Exits with SCRIPT's status.
set -euo pipefail
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}

if [ "$1" != --inside ]; then
  editor=$1 script=$2
  work=$(mktemp -d)
  trap 'stop; rm -rf "$work"' EXIT
  # The autosave bank is read beside the program first: a copy of its own keeps it private.
  mkdir -p "$work/program" "$work/home/.config/Quillmont"
  cp "$editor" "$work/program/torvane"
  # Preset 1: output 1 takes controller 74, the rest none; channel byte 0; presets 2-4 alike.
  python3 -c 'import sys; p = bytes([74] + [0xFF] * 31 + [0, 0]); sys.stdout.buffer.write(p * 4)' \
    >"$work/program/torvanepar.TVN"
  printf '%s\n' '[General]' PX=0 PY=0 RTparam=0 kesselmerge=0 kesselstart=0 kesselInput=0 \
    midiIN=0 midiOUT=1 'midiINName=Virtual Loopback' 'midiOUTName=Virtual Loopback' \
    >"$work/home/.config/Quillmont/Torvane.conf"

  # Xvfb picks a free display number and writes it to the descriptor given.
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
  env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work" \
    dbus-run-session -- "$0" --inside "$work/program/torvane" "$script" "$work"
  exit $?
fi

# Inside the private session: the accessibility bus first, then the editor, then the script.
editor=$2 script=$3 work=$4
trap stop EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately &
pids+=($!)
# No JACK server of the suite's: only the in-process devices are listed.
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb JACK_DEFAULT_SERVER=torvane-none-$$ \
  "$editor" >"$work/editor.log" 2>&1 &
pids+=($!)
status=0
# Debian's python3, whose modules the packages install (another python3 may come first in PATH).
/usr/bin/python3 "$script" || status=$?
[ $status -eq 0 ] || { echo "--- editor output" >&2; cat "$work/editor.log" >&2; }
exit $status
