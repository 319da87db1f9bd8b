#!/usr/bin/env bash
# The sanitizer and fuzzing gates of the test command; scripts/test.sh runs this after it has
# started the JACK server the real-MIDI tests need (JACK_DEFAULT_SERVER, TORVANE_TEST_JACK).
#
#   build/asan  clang with AddressSanitizer + UndefinedBehaviorSanitizer (LeakSanitizer at exit):
#               the whole test suite, and the libFuzzer targets of tests/fuzz, each run for
#               TORVANE_FUZZ_SECONDS (default 30) as CTest tests labelled "fuzz";
#   build/tsan  clang with ThreadSanitizer: the tests where threads meet (MIDI, simulator,
#               faults, soak), those that need the JACK server excepted (see below).
#
# Any report fails the test that produced it; this script stops at the first build or test run
# that fails and exits non-zero. Every suppression lives in tests/sanitizers/*.supp and says why.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${TORVANE_SANITIZER_BUILDS:-$root/build}
supp="$root/tests/sanitizers"
jobs=$(nproc)
fuzz_seconds=${TORVANE_FUZZ_SECONDS:-30}

symbolizer=$(command -v llvm-symbolizer-14 || echo /usr/lib/llvm-14/bin/llvm-symbolizer)
export ASAN_SYMBOLIZER_PATH="$symbolizer"
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp"
export TSAN_OPTIONS="suppressions=$supp/tsan.supp:halt_on_error=0:second_deadlock_stack=1"

configure() { # DIR extra cmake args...
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_PROJECT_INCLUDE="$root/cmake/Sanitizers.cmake" \
    -DTORVANE_BENCH=OFF -DTORVANE_LINKER=lld "$@" >/dev/null
}

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: build ($builds/asan)"
configure "$builds/asan" -DTORVANE_SANITIZE=address,undefined -DTORVANE_FUZZ=ON \
  -DTORVANE_FUZZ_SECONDS="$fuzz_seconds"
cmake --build "$builds/asan" -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: the whole suite and the fuzz targets"
cd "$builds/asan"
# test_exception_report throws through Qt's event delivery on purpose; the leak suppressions for
# what Qt then loses match frames deep inside Qt, which only the slow unwinder reaches (Qt has no
# frame pointers). The slow unwinder makes every other test ten times slower, so only that one
# binary runs with it.
# What this run leaves out, and only that, runs in the plain build (scripts/test.sh).
# The PipeWire.* runs of the live-MIDI tests (label pipewire) are left to it: they repeat the
# jackd runs (which run here) through PipeWire's libjack, and under the sanitizer one of them now
# and then missed its limit (a stopped PipeWire not yet shown as stopped after 5 s; not seen in
# the plain runs, where all pass).
# The ALSA tests (label alsa) run in an emulated machine, where a sanitized build would be many
# times slower again; they run in the plain build. So does the accessibility test (label atspi):
# it needs the X11 platform, whose keyboard library (libxkbcommon-x11) hands strndup a buffer
# without its terminating byte, which AddressSanitizer's strndup reads past at start-up, before
# any code of ours runs.
ctest --output-on-failure -j "$jobs" --timeout 300 -LE 'fuzz|alsa|atspi|pipewire' -E '^ExceptionReport\.'
ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0" \
  ctest --output-on-failure --timeout 300 -R '^ExceptionReport\.'
# The fuzz targets on their own: each keeps a core busy for its whole run, and the JACK tests'
# timing must not compete with them.
ctest --output-on-failure -j "$jobs" --timeout 300 -L fuzz

echo "== ThreadSanitizer: build ($builds/tsan)"
configure "$builds/tsan" -DTORVANE_SANITIZE=thread '-DTORVANE_TEST_FOLDERS=midi;sim;faults;soak'
cmake --build "$builds/tsan" -j "$jobs"

echo "== ThreadSanitizer: the MIDI, simulator, fault and soak tests"
cd "$builds/tsan"
# Not the JACK ones: they start helper programs through QProcess, whose clone() clang 14's
# ThreadSanitizer runtime mishandles while JACK's threads run (an internal CHECK fails in the
# child now and then, and the half-started client then stalls the server for every later
# test). The threads they exercise are ours in MidiInputDelivery and MidiOutputSender, which
# the unit tests here drive from threads of their own; the JACK tests run in the other builds.
# Nor the monitor flood: the page it refreshes is painted by Qt, whose raster engine hands image
# work to Qt's thread pool and synchronises with it inside Qt, which is not built with
# ThreadSanitizer, so every refresh is reported as a race between Qt's own allocations. The
# hand-over it floods is our lock-free ring, which the MIDI tests here drive from two threads.
ctest --output-on-failure -j "$jobs" --timeout 300 -LE 'jack|alsa' -E '^MonitorFloodTest\.'
