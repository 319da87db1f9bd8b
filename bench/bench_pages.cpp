// Opening each page of the main window for the first time, goal: within one frame (16 ms).
//
// Only the "MIDI" page is built before the window's first paint; the others are built one per
// turn of the event loop after it, or at once when the user opens one sooner. A window as
// program entry makes it (with its "Simulator" and "Monitor" pages) is painted for the first
// time, and the page is chosen (argument built): 0 at once, before the window built it, the
// dearest first opening, building included, for a user quicker than the window; 1 a tenth of
// a second later, as the user meets it, built and waiting to be shown. Timed from the choice
// to the end of the page's first paint; each sample is a new window. Milliseconds, median and
// worst of the samples.
//
// Runs on whatever platform QT_QPA_PLATFORM names (offscreen when unset).
#include "app/BuiltInSimulator.h"
#include "app/MonitorPage.h"
#include "app/SimulatorPage.h"
#include "midi/backend/simulated/SimulatedServices.h"
#include "support/EditorWindow.h"

#include <QEvent>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char *const kPages[] = {"Config", "About...", "Simulator", "Monitor"};

// Calls measure once the window's first paint is done, before the window's own work after it:
// installed after the window's, this filter sees the paint first, and its call is posted first.
class AtFirstPaint : public QObject
{
public:
    AtFirstPaint(QWidget &window, std::function<void()> measure)
        : QObject(&window), Measure(std::move(measure))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(this, Measure, Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> Measure;
};

// One first opening of the page with this caption, in ms; nothing when the window never
// painted.
std::optional<double> OpenOnce(const QString &caption, bool built)
{
    SimulatedServices midi;
    sim::BuiltInSimulator simulator;
    midi.setSimulatorSink(simulator.sink());
    EditorWindow window(midi, true);
    TForm1 &form = *window.Form;
    form.AddPage("Simulator", [&simulator] { return new SimulatorPage(simulator); });
    form.AddPage("Monitor", [&form, &window] {
        return new MonitorPage(*form.Monitor, *form.Input, *window.Dialogs);
    });
    QWidget *sheet = nullptr;
    for (int i = 0; i < form.PageControl1->count(); ++i)
        if (form.PageControl1->tabText(i) == caption)
            sheet = form.PageControl1->widget(i);

    std::optional<double> ms;
    QEventLoop loop;
    const auto open = [&] {
        const Clock::time_point start = Clock::now();
        form.PageControl1->setCurrentWidget(sheet);
        sheet->repaint();
        ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        loop.quit();
    };
    new AtFirstPaint(form, [&] {
        if (built)
            QTimer::singleShot(100, &loop, open);
        else
            open();
    });
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    form.show();
    loop.exec();
    return ms;
}

void BM_FirstOpening(benchmark::State &state)
{
    const QString caption = kPages[state.range(0)];
    const bool built = state.range(1) != 0;
    state.SetLabel(std::string(kPages[state.range(0)]) + (built ? ", built" : ", built then"));
    std::vector<double> ms;
    for (auto _ : state) {
        const std::optional<double> once = OpenOnce(caption, built);
        if (!once) {
            state.SkipWithError("the window never painted");
            return;
        }
        ms.push_back(*once);
        state.SetIterationTime(*once / 1e3);
    }
    std::sort(ms.begin(), ms.end());
    state.counters["open_median_ms"] = ms[ms.size() / 2];
    state.counters["open_max_ms"] = ms.back();
}
BENCHMARK(BM_FirstOpening)
    ->ArgNames({"page", "built"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

} // namespace
