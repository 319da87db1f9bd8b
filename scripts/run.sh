#!/usr/bin/env bash
# Installs what is missing, builds the editor (Release) and starts it. With no display it
# starts the editor under a virtual X display (Xvfb) and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" run
"$root/scripts/build.sh" Release "$root/build/release" -DTORVANE_TESTS=OFF -DTORVANE_BENCH=OFF

exe="$root/build/release/app/torvane"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the editor under a virtual X display (Xvfb)."
  echo "It runs, but you will not see it; set DISPLAY to use a real screen."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$exe" "$@"
fi
exec "$exe" "$@"
