// Paint time of the progress gauge at the progress window's size (328 x 21, framed, with its
// percentage text), for each kind: composing the off-screen picture alone, and a full
// synchronous repaint of a shown gauge (picture, copy to the window, flush to the screen).
#include "controls/Cgauges.h"
#include "support/Figures.h"

#include <benchmark/benchmark.h>

namespace {

const char *const kKindNames[] = {"text", "horizontal", "vertical", "pie", "needle"};

// As on the progress window, standing at 32 of 34 (94 %).
void SetUp(TCGauge &gauge, benchmark::State &state)
{
    const auto kind = static_cast<TCGaugeKind>(state.range(0));
    state.SetLabel(kKindNames[kind]);
    gauge.resize(328, 21);
    gauge.SetKind(kind);
    gauge.SetColor(0x40FF00);
    gauge.SetForeColor(0x00FF00);
    gauge.SetBackColor(0x808040);
    gauge.SetMaxValue(34);
    gauge.SetProgress(32);
}

void BM_ComposePicture(benchmark::State &state)
{
    TCGauge gauge;
    SetUp(gauge, state);
    for (auto _ : state)
        benchmark::DoNotOptimize(gauge.PaintImage());
}

void BM_RepaintShown(benchmark::State &state)
{
    TCGauge gauge;
    SetUp(gauge, state);
    if (!ShowExposed(gauge)) {
        state.SkipWithError("gauge never exposed");
        return;
    }
    for (auto _ : state)
        gauge.repaint();
}

BENCHMARK(BM_ComposePicture)->DenseRange(gkText, gkNeedle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintShown)->DenseRange(gkText, gkNeedle)->Unit(benchmark::kMicrosecond);

} // namespace
