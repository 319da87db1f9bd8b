// Paint time of the sample tank graph: one whole paint (compose the picture off screen, copy it
// out) rendered into an image of the control's size, at the construction size and at
// 1024 x 768, on the plain and on the gradient background. The picture is a typical one: 256
// values on a sine, markers, axes, quarter lines, the locator and an inverted selection band.
// A second set measures the paint that follows a gradient property change, which rebuilds
// the cached gradient first.
#include "controls/Kxsampletank.h"

#include <QImage>
#include <array>
#include <benchmark/benchmark.h>
#include <cmath>
#include <initializer_list>

namespace {

void Prepare(TkxSampleTank &tank, const benchmark::State &state)
{
    tank.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::array<quint8, TkxSampleTank::ValueCount> values{};
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<quint8>(128 + 120 * std::sin(static_cast<double>(i) / 20.0));
    tank.SetValues(values);
    tank.SetLocatorPos(64);
    tank.SetSelectionPos(100);
    tank.SetSelectionLen(32);
    tank.SetGradientEnabled(state.range(2) != 0);
}

void BM_Paint(benchmark::State &state)
{
    TkxSampleTank tank;
    Prepare(tank, state);
    QImage target(tank.size(), QImage::Format_RGB32);
    tank.render(&target); // builds the gradient cache once, as the first paint on screen does
    for (auto _ : state) {
        tank.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_PaintAfterGradientChange(benchmark::State &state)
{
    TkxSampleTank tank;
    Prepare(tank, state);
    QImage target(tank.size(), QImage::Format_RGB32);
    int round = 0;
    for (auto _ : state) {
        tank.SetGradientColor(++round % 2 ? 0x800000 : 0x008000);
        tank.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void Sizes(benchmark::internal::Benchmark *bench, std::initializer_list<int> gradients)
{
    bench->ArgNames({"width", "height", "gradient"});
    for (auto [width, height] : {std::pair{100, 80}, {1024, 768}})
        for (int gradient : gradients)
            bench->Args({width, height, gradient});
    bench->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_Paint)->Apply([](auto *bench) { Sizes(bench, {0, 1}); });
BENCHMARK(BM_PaintAfterGradientChange)->Apply([](auto *bench) { Sizes(bench, {1}); });
