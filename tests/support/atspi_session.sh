#!/usr/bin/env bash
# atspi_session.sh EDITOR SCRIPT: runs SCRIPT (python3, pyatspi) against the editor as a screen
# reader meets it: a virtual display, a D-Bus session of its own with the accessibility bus, Qt's
# AT-SPI bridge on, a private home, and a copy of the program (the autosave bank is read and
# written beside it), on the "Virtual Loopback", output 1 driven by controller 74 on channel 1.
set -euo pipefail
if [ "$1" = --inside ]; then # in the session: the accessibility bus, the editor, the script
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb JACK_DEFAULT_SERVER=none-$$ \
    "$2" >"$4/editor.log" 2>&1 &
  trap 'kill %1 %2; wait' EXIT
  # Debian's python3, whose modules the packages install (another may come first in PATH).
  /usr/bin/python3 "$3" || { status=$?; cat "$4/editor.log" >&2; exit $status; }
  exit 0
fi
work=$(mktemp -d)
trap 'kill $xvfb; wait; rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/home/.config/Quillmont"
cp "$1" "$work/program/torvane"
/usr/bin/python3 -c 'import sys; sys.stdout.buffer.write(bytes([74] + [255] * 31 + [0, 0]) * 4)' \
  >"$work/program/torvanepar.TVN"
printf '%s\n' '[General]' PX=0 PY=0 RTparam=0 kesselmerge=0 kesselstart=0 kesselInput=0 midiIN=0 \
  midiOUT=1 'midiINName=Virtual Loopback' 'midiOUTName=Virtual Loopback' \
  >"$work/home/.config/Quillmont/Torvane.conf"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done # up to 30 s
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(head -n1 "$work/display")" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work" \
  dbus-run-session -- "$0" --inside "$work/program/torvane" "$2" "$work"
