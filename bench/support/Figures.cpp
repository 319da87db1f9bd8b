#include "Figures.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <algorithm>

bool ShowExposed(QWidget &window)
{
    window.show();
    const bool exposed = QTest::qWaitForWindowExposed(&window, 5000);
    // What showing left (the first paint, the window system's replies) is not the figure's.
    QCoreApplication::processEvents();
    return exposed;
}

void ReportPercentiles(benchmark::State &state, const std::string &prefix,
                       std::vector<double> samples)
{
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    state.counters[prefix + "median_us"] = samples[samples.size() / 2];
    state.counters[prefix + "p99_us"] =
        samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
}
