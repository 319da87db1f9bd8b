// The value label's drag arithmetic, which runs on every pointer move of a drag: one move's
// value, and a whole gesture (press anchor, a move, the release value) on a controller label.
#include "controls/Kxpotlab.h"

#include <benchmark/benchmark.h>

namespace {

// A controller value label: 0..127 over 80 pixels, anchored for a press at Y 5 on 64.
constexpr int kMin = 0;
constexpr int kMax = 127;
constexpr int kCursorRange = 80;
constexpr int kAnchor = 45;

void BM_DragValueOneMove(benchmark::State &state)
{
    int y = -60;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kxpotlab::DragValue(kAnchor, y, kMin, kMax, kCursorRange));
        y = y < 120 ? y + 1 : -60; // sweep across both clamped ends and the range between
    }
}
BENCHMARK(BM_DragValueOneMove);

void BM_PressMoveRelease(benchmark::State &state)
{
    int shown = 0;
    for (auto _ : state) {
        const int anchor = *kxpotlab::AnchorFor(5, shown, kMin, kMax, kCursorRange);
        benchmark::DoNotOptimize(kxpotlab::DragValue(anchor, -15, kMin, kMax, kCursorRange));
        benchmark::DoNotOptimize(kxpotlab::DragValue(anchor, -16, kMin, kMax, kCursorRange));
        shown = shown < kMax ? shown + 1 : kMin; // a different starting value each gesture
    }
}
BENCHMARK(BM_PressMoveRelease);

} // namespace
