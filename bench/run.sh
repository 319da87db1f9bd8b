#!/usr/bin/env bash
# bench/run.sh: installs what is missing, builds Release, runs every benchmark and prints one
# table of figures with their floors, ratios and goals (also kept, with every benchmark's raw
# JSON, in build/bench/results/).
#
# The machine may be shared: every figure that has a floor is set against that floor measured
# in the same run, and every figure is a median over repetitions (TORVANE_BENCH_REPETITIONS,
# default 5) or over many samples within one benchmark. The script starts what the
# measurements need and stops it at the end: a private JACK server with the dummy driver (the
# MIDI system of the start-up, idle and JACK latency figures) and a virtual X display (Xvfb)
# for the xcb figures. The server figures (bench_servers) start servers of their own, jackd's
# and PipeWire's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${TORVANE_BENCH_BUILD:-$root/build/bench}"
repetitions="${TORVANE_BENCH_REPETITIONS:-5}"

# Everything but the table goes to standard error.
"$root/scripts/setup.sh" bench >&2
"$root/scripts/build.sh" Release "$build" -DTORVANE_TESTS=OFF -DTORVANE_BENCH=ON >&2
out="$build/results"
rm -rf "$out"
mkdir -p "$out"

# Qt and JACK want a private runtime folder; a CI shell may have none.
[ -n "${XDG_RUNTIME_DIR:-}" ] || export XDG_RUNTIME_DIR="$(mktemp -d)"

source "$root/scripts/jack.sh"
pids=()
stop_all() {
  jack_stop
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap stop_all EXIT

if [ -r /dev/snd/seq ] && [ -w /dev/snd/seq ]; then
  midi_system="ALSA sequencer."
else
  midi_system="none: the JACK server did not start (see $out/jackd.log)."
fi
# A private server (scripts/jack.sh), tried again while others' servers take every place JACK has.
if jack_start "torvane-bench-$$" "$out/jackd.log"; then
  [ "${midi_system#ALSA}" != "$midi_system" ] ||
    midi_system="JACK (private server, dummy driver, 48 kHz, 256-frame periods)."
fi

# Xvfb picks a free display number and writes it to the descriptor given.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$out/display" 2>"$out/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
if [ -s "$out/display" ]; then
  export DISPLAY=":$(head -n1 "$out/display")"
else
  echo "warning: Xvfb did not start (see $out/xvfb.log); the xcb figures are skipped" >&2
  unset DISPLAY
fi

bench="$build/bench"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# A program that fails or hangs costs only its own figures (n/a in the table, named below it):
# the run always goes on to the table.
limit="${TORVANE_BENCH_LIMIT:-1200}"
unfinished=()
run() { # run NAME OUTPUT [args...]: one benchmark program, its JSON kept, its text shown
  local name=$1 output=$2 status=0
  shift 2
  echo "== $name $*" >&2
  timeout --kill-after=10 "$limit" "$bench/$name" --benchmark_out="$out/$output.json" \
    --benchmark_out_format=json "$@" >&2 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "warning: $name ended with status $status (124: stopped after $limit s)" >&2
    unfinished+=("$name (status $status)")
  fi
}
aggregated=(--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true)

# Whole-process figures and the ones with their own sample medians run once; the rest repeat.
run bench_startup startup
run bench_servers servers
QT_QPA_PLATFORM=offscreen run bench_drag drag_offscreen "${aggregated[@]}"
if [ -n "${DISPLAY:-}" ]; then QT_QPA_PLATFORM=xcb run bench_drag drag_xcb "${aggregated[@]}"; fi
run bench_converter converter
run bench_jack_latency jack_latency
QT_QPA_PLATFORM=offscreen run bench_monitor monitor
QT_QPA_PLATFORM=offscreen run bench_pages pages
QT_QPA_PLATFORM=offscreen run bench_floors floors "${aggregated[@]}"
QT_QPA_PLATFORM=offscreen run bench_midi midi "${aggregated[@]}"
QT_QPA_PLATFORM=offscreen run bench_cgauges cgauges "${aggregated[@]}"
QT_QPA_PLATFORM=offscreen run bench_kxsampletank kxsampletank "${aggregated[@]}"
run bench_kxpotlab kxpotlab "${aggregated[@]}"
run bench_sim sim "${aggregated[@]}"
run bench_library library "${aggregated[@]}"

{
  echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'),"\
    "load average $load_before at the start of the run, $(cut -d' ' -f1-3 /proc/loadavg) at its end."
  echo "MIDI system: $midi_system"
  echo
  "$bench/torvane-bench-table" "$out"
  if [ ${#unfinished[@]} -gt 0 ]; then
    echo
    echo "Did not finish (their figures are n/a): ${unfinished[*]}."
  fi
} | tee "$out/table.md"
