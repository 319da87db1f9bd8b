#pragma once
// A measurement hook for the start-up benchmark (bench/bench_startup.cpp); it does nothing
// unless the environment asks for it, and changes nothing else.
//
// With TORVANE_STARTUP_PROBE=MS in the environment (MS a number of milliseconds), the first
// paint of the window prints one line on standard output,
//     torvane-first-paint NS
// where NS is the steady clock's time (CLOCK_MONOTONIC on Linux) in nanoseconds once that paint has
// been delivered to the window system, and the program leaves its event loop MS milliseconds later
// (0: at once, without closing the window, so no settings or presets are written). The benchmark
// notes the same clock before it starts the process, and samples the process's memory and threads
// in the MS milliseconds between.
class QWidget;

// Reads the environment once; call before the window is first shown.
void InstallStartupProbe(QWidget &window);
