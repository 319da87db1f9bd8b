# Sourced by the Wine tests (tests/wine/): the Windows build run under Wine in a prefix of the
# test's own, on a virtual display when a window is wanted.
#
#   wine_setup DIST WORK   a fresh Wine prefix under WORK, the programs of DIST copied to
#                          WORK/program (the autosave bank is read and written beside them)
#   wine_display           starts Xvfb, exports DISPLAY
#   wine_wait_window NAME  waits until a window of that title shows, prints its X id
#   wine_screenshot FILE   the whole screen as a PNG
#   wine_folder VARIABLE   the Linux path of a Windows folder variable (LOCALAPPDATA, APPDATA)
#   wine_reg_import FILE   imports a .reg file (REGEDIT4) into the prefix's registry
#   wine_reg_value NAME    "TYPE DATA" of HKCU\Software\Quillmont\Torvane's value NAME
#   fail TEXT              says FAIL: TEXT and ends the test
# Everything that waits for Wine or the window waits for the event, with a generous limit: the
# machine may be busy.
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Up to $1 tenths of a second until the command succeeds.
wine_until() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

wine_setup() {
  local dist=$1
  wine_work=$2
  rm -rf "$wine_work"
  mkdir -p "$wine_work"
  export WINEPREFIX=$wine_work/prefix WINEDEBUG=-all WINEARCH=win64
  # No Mono or Gecko (nothing of ours needs them; Wine would offer to download them), and no
  # menu entries of the desktop made from our Start-menu shortcut.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # A display of the test's own for the window; none for the command line.
  unset DISPLAY
  trap wine_cleanup EXIT
  timeout 300 wine wineboot --init >"$wine_work/wineboot.log" 2>&1 ||
    fail "the Wine prefix was not made (see $wine_work/wineboot.log)"
  # The desktop process that wineboot started has no display, and the windows of a program
  # started while it runs would have none either: it goes with the server.
  timeout 60 wineserver -k || true
  cp -r "$dist" "$wine_work/program"
  wine_program=$wine_work/program
}

wine_cleanup() {
  local status=$?
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  [ -z "${wine_xvfb:-}" ] || kill "$wine_xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  exit $status
}

wine_display() {
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$wine_work/display" \
    2>"$wine_work/xvfb.log" &
  wine_xvfb=$!
  wine_until 300 test -s "$wine_work/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$wine_work/display")"
}

wine_wait_window() {
  local name=$1 id
  for _ in $(seq 600); do # up to 60 s
    id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -1) || true
    [ -n "$id" ] && echo "$id" && return 0
    sleep 0.1
  done
  wine_screenshot "$wine_work/no-window.png" || true
  fail "no window \"$name\" showed (the screen: $wine_work/no-window.png)"
}

wine_screenshot() {
  import -window root "$1"
}

wine_folder() {
  winepath -u "$(timeout 120 wine cmd /c echo "%$1%" | tr -d '\r')"
}

wine_reg_import() {
  timeout 120 wine regedit /S "$(winepath -w "$1")" || fail "regedit did not import $1"
}

wine_reg_value() {
  timeout 120 wine reg query 'HKCU\Software\Quillmont\Torvane' /v "$1" 2>/dev/null |
    tr -d '\r' | awk -v name="$1" '$1 == name { print $2, $3 }'
}
