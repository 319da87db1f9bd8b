#!/usr/bin/env bash
# The Windows programs' command line under Wine: each row runs one program of the distribution
# with its arguments and checks the exit code and a line the output must hold.
# usage: test_command_line.sh DIST WORK
source "$(dirname "$0")/../support/wine.sh"
wine_setup "$1" "$2"
cd "$wine_program"
# A preset for output 1..32 = controllers 0..31, on channel 3.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(32)) + bytes([2, 0]))' >preset.TVN

# program | arguments (one string, split on blanks) | exit code | a line of the output (regex)
rows=(
  "torvane.exe|--version|0|^torvane [0-9]+\.[0-9]+"
  "torvane.com|--version|0|^torvane [0-9]+\.[0-9]+"
  "torvane.exe|--help|0|--export-syx"
  "torvane.exe|--list-ports|0|^output: Torvane Simulator$"
  "torvane.exe|--list-ports|0|^input: Virtual Loopback$"
  "torvane.exe|--send preset.TVN --port Torvane_Simulator --flash|0|^sent 33/33$"
  "torvane.exe|--send preset.TVN --port No_Such_Device|3|no MIDI output named \"No Such Device\""
  "torvane.exe|--export-syx preset.TVN preset.syx|0|"
  "torvane.exe|--bogus|2|bogus"
  "torvane-sim.exe||2|^usage: torvane-sim --port NAME"
  "torvane-sim.exe|--port No_Such_Input|1|no MIDI input \"No Such Input\""
)
failed=0
for row in "${rows[@]}"; do
  IFS='|' read -r program arguments code line <<<"$row"
  # Underscores stand for blanks inside one argument.
  read -ra args <<<"$arguments"
  args=("${args[@]//_/ }")
  set +e
  output=$(timeout 120 wine "$program" "${args[@]}" 2>&1 | tr -d '\r')
  status=${PIPESTATUS[0]}
  set -e
  if [ "$status" != "$code" ] || ! grep -Eq -- "$line" <<<"$output"; then
    echo "FAIL: $program $arguments: exit $status (want $code), output:" >&2
    echo "$output" >&2
    failed=1
  fi
done
# The .syx written under Windows is the transfer as the Linux build writes it: 32 messages.
[ "$(stat -c %s preset.syx 2>/dev/null)" = 256 ] || fail "preset.syx is not the 32 messages"
# What the lists hold besides the built-in devices: Wine's own MIDI devices, where it has any.
timeout 120 wine torvane.exe --list-ports 2>/dev/null | tr -d "\r"
exit $failed
