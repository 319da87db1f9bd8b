#!/usr/bin/env bash
# The editor's window under Wine, started over what an earlier Windows editor of the box left:
# its eight registry values (32-bit integers) and its autosave bank beside the program. The
# window comes up where PX and PY say, its five pages show (a screenshot of each is kept in
# WORK), an output's controller is changed from the keyboard, and closing the window writes the
# bank back with that one byte changed and the settings back under their names and types.
# Started again over a value stored as a string, the editor applies the values before it only;
# this time the end of the Windows session closes it.
# usage: test_window.sh DIST WORK
source "$(dirname "$0")/../support/wine.sh"
wine_setup "$1" "$2"
wine_display

# Preset n: output k driven by controller n*10+k-1, on channel n; byte 33 reserved.
python3 -c '
import sys
sys.stdout.buffer.write(b"".join(bytes([n * 10 + k for k in range(32)] + [n, 0]) for n in range(4)))
' >"$wine_program/torvanepar.TVN"
cp "$wine_program/torvanepar.TVN" "$wine_work/bank-before.TVN"
cat >"$wine_work/earlier.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Quillmont\Torvane]
"PX"=dword:00000028
"PY"=dword:0000001e
"RTparam"=dword:00000000
"kesselmerge"=dword:00000001
"kesselstart"=dword:00000000
"kesselInput"=dword:00000005
"midiIN"=dword:00000000
"midiOUT"=dword:00000000
REG
wine_reg_import "$wine_work/earlier.reg"

start_editor() {
  wine "$wine_program/torvane.exe" >>"$wine_work/editor.log" 2>&1 &
  editor=$!
  window=$(wine_wait_window "Torvane-v1.0")
}
# Closed as Windows closes a window (WM_CLOSE), or by the end of the user's session: either way
# the bank and the settings are written.
close_editor() {
  if [ "${1:-}" = session ]; then
    timeout 120 wine wineboot --end-session
  else
    timeout 120 wine taskkill /im torvane.exe >/dev/null
  fi
  timeout 120 tail --pid="$editor" -f /dev/null || fail "the editor did not end (${1:-WM_CLOSE})"
}
# Each argument "NAME|TYPE VALUE": what the registry holds after the close.
expect_values() {
  local row name value got
  for row; do
    IFS='|' read -r name value <<<"$row"
    got=$(wine_reg_value "$name")
    [ "$got" = "$value" ] || fail "$name was written back as \"$got\", not \"$value\""
  done
}

start_editor
# Where the window stands (Wine draws its own frame, so the client area is a little lower).
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X" -ge 40 ] && [ "$X" -le 60 ] && [ "$Y" -ge 30 ] && [ "$Y" -le 80 ] ||
  fail "the window is at $X,$Y, not where PX=40, PY=30 put it"

# Each page after the one before, as Ctrl+Tab walks them from the MIDI page; a page counts as
# shown once the screen differs from the page before.
shot() {
  local name=$1 before=${2:-}
  for _ in $(seq 300); do
    wine_screenshot "$wine_work/$name.png"
    [ -z "$before" ] || ! cmp -s "$wine_work/$name.png" "$wine_work/$before.png" && return 0
    sleep 0.1
  done
  fail "the page $name did not show"
}
# No window manager: the keys go to the window that has the X input focus.
xdotool windowfocus --sync "$window"
shot page-midi
previous=page-midi
for page in about simulator monitor config; do
  xdotool key --clearmodifiers ctrl+Tab
  shot "page-$page" "$previous"
  previous=page-$page
done

# On the Config page, from its tab: the ten Tabs of the toolbar to the first selector (output
# 1), and one entry down.
xdotool key --delay 100 Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Down
shot edited page-config
close_editor

expected=$(python3 -c '
import sys
bank = bytearray(open(sys.argv[1], "rb").read())
bank[0] += 1
sys.stdout.write(bank.hex())' "$wine_work/bank-before.TVN")
[ "$(xxd -p -c 200 "$wine_program/torvanepar.TVN")" = "$expected" ] ||
  fail "the bank written at close is not the one read with output 1's controller one up"

expect_values "PX|REG_DWORD 0x28" "PY|REG_DWORD 0x1e" "RTparam|REG_DWORD 0x0" \
  "kesselmerge|REG_DWORD 0x1" "kesselstart|REG_DWORD 0x0" "kesselInput|REG_DWORD 0x5" \
  "midiIN|REG_DWORD 0x0" "midiOUT|REG_DWORD 0x0"

# A string where a 32-bit value belongs: PX and PY are applied, the rest keep their defaults
# and are written back as 32-bit values.
cat >"$wine_work/string.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Quillmont\Torvane]
"RTparam"="1"
REG
wine_reg_import "$wine_work/string.reg"
start_editor
close_editor session
expect_values "PX|REG_DWORD 0x28" "RTparam|REG_DWORD 0x0" "kesselmerge|REG_DWORD 0x0" \
  "kesselstart|REG_DWORD 0x1" "kesselInput|REG_DWORD 0x2"
echo "pages shown, bank and settings written back; screenshots in $wine_work"
