// Floors for the editor's per-event and paint figures, measured in the same run as the figures
// themselves so that a ratio stays meaningful on a loaded machine: what the toolkit (or the
// processor) charges for the same job done the plainest way.
//  - Hand-over: the least a driver thread pays to hand one item to another thread without a
//    lock: a 16-byte slot write published by a release store, one compare-exchange to claim a
//    queue cell, and one exchange on a wake-up flag. Floor of MidiCallback + RingPut + post.
//  - Value label: a QLabel with the controller label's size, colours and text, and the value
//    label itself (which paints as a QLabel does), each rendered into an image.
//  - Gauge: a QProgressBar of 328 x 21 at 32 of 34 with its text, shown and repainted at once,
//    as bench_cgauges' BM_RepaintShown repaints the gauge.
//  - Graph: a widget that fills its area and draws a 256-point polyline with two axes, rendered
//    into an image at 100 x 80 and 1024 x 768, as bench_kxsampletank's BM_Paint renders the
//    graph control.
#include "controls/Kxpotlab.h"
#include "support/Figures.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPolygon>
#include <QProgressBar>
#include <array>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>

namespace {

struct Slot
{
    std::uint32_t timestamp;
    std::uint32_t data;
    void *header;
};

void BM_FloorHandOver(benchmark::State &state)
{
    std::array<Slot, 1024> ring{};
    std::atomic<std::uint16_t> count{0};
    std::atomic<std::size_t> claim{0};
    std::atomic<bool> wakePending{true};
    std::size_t put = 0;
    std::uint32_t t = 0;
    for (auto _ : state) {
        ring[put] = Slot{t, 0x403C90, nullptr};
        put = (put + 1) & 1023;
        count.store(std::uint16_t(put), std::memory_order_release);
        std::size_t expected = claim.load(std::memory_order_relaxed);
        claim.compare_exchange_weak(expected, expected + 1, std::memory_order_relaxed);
        benchmark::DoNotOptimize(wakePending.exchange(true, std::memory_order_acq_rel));
        ++t;
    }
    benchmark::DoNotOptimize(ring.data());
}
BENCHMARK(BM_FloorHandOver);

template <class Label> void PrepareValueLabel(Label &label)
{
    label.resize(25, 13);
    label.setAlignment(Qt::AlignCenter);
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::cyan);
    label.setPalette(palette);
    label.setAutoFillBackground(true);
}

template <class Label> void RenderLabel(benchmark::State &state, Label &label)
{
    QImage target(label.size(), QImage::Format_RGB32);
    label.render(&target);
    for (auto _ : state) {
        label.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_FloorValueLabelQLabel(benchmark::State &state)
{
    QLabel label;
    PrepareValueLabel(label);
    label.setText(QStringLiteral("64"));
    RenderLabel(state, label);
}
BENCHMARK(BM_FloorValueLabelQLabel)->Unit(benchmark::kMicrosecond);

void BM_ValueLabelPaint(benchmark::State &state)
{
    Tkxpotlab label;
    label.SetAutoSize(false);
    PrepareValueLabel(label);
    label.SetMax(127);
    label.SetState(64);
    RenderLabel(state, label);
}
BENCHMARK(BM_ValueLabelPaint)->Unit(benchmark::kMicrosecond);

void BM_FloorGaugeQProgressBar(benchmark::State &state)
{
    QProgressBar bar;
    bar.resize(328, 21);
    bar.setRange(0, 34);
    bar.setValue(32);
    bar.setTextVisible(true);
    if (!ShowExposed(bar)) {
        state.SkipWithError("never exposed");
        return;
    }
    for (auto _ : state)
        bar.repaint();
}
BENCHMARK(BM_FloorGaugeQProgressBar)->Unit(benchmark::kMicrosecond);

class PlainGraph : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.setPen(Qt::darkGray);
        painter.drawLine(0, height() / 2, width(), height() / 2);
        painter.drawLine(0, 0, 0, height());
        QPolygon line(256);
        for (int i = 0; i < 256; ++i)
            line[i] = QPoint(i * (width() - 1) / 255,
                             int((128 + 120 * std::sin(i / 20.0)) * (height() - 1) / 255));
        painter.setPen(Qt::green);
        painter.drawPolyline(line);
    }
};

void BM_FloorGraphPlainWidget(benchmark::State &state)
{
    PlainGraph graph;
    graph.resize(int(state.range(0)), int(state.range(1)));
    QImage target(graph.size(), QImage::Format_RGB32);
    graph.render(&target);
    for (auto _ : state) {
        graph.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_FloorGraphPlainWidget)
    ->ArgNames({"width", "height"})
    ->Args({100, 80})
    ->Args({1024, 768})
    ->Unit(benchmark::kMicrosecond);

} // namespace
