#pragma once
// What the benchmark programs share around their figures: a window shown before it is timed,
// and the percentiles of timed samples.
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

class QWidget;

// Shows the window and waits until the window system shows it; false when it never does.
bool ShowExposed(QWidget &window);

// The median and 99th percentile of the samples, as counters "<prefix>median_us" and
// "<prefix>p99_us".
void ReportPercentiles(benchmark::State &state, const std::string &prefix,
                       std::vector<double> samples);
