// What the MIDI monitor costs, with its page shown:
// - sending one Control Change through the window's link, which the monitor records, against
//   the same send through a link the monitor does not hear (monitor:0), on a device whose send
//   itself costs next to nothing: the difference is what the monitor adds (goal <= 1 us);
// - one refresh of the page after a burst of 1,000 lines with 10,000 kept, drawn;
// - a flood of 10^6 short messages at 200,000 a second into the chosen input ("Virtual
//   Loopback", fed by a sender thread of the benchmark's own): the GUI thread's CPU time over
//   the flood's wall time (goal <= 20 % of one core), against the same flood with nothing
//   reading the input (monitor:0); and, in a flood of its own, the time from a click arriving
//   in the event queue to its handler (goal <= 100 ms).
#include "app/MonitorPage.h"
#include "controls/SpeedButton.h"
#include "converter/ConverterLink.h"
#include "converter/InputReader.h"
#include "converter/MonitorLog.h"
#include "converter/MonitorModel.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/ForwardingServices.h"
#include "midi/backend/simulated/SimulatedServices.h"
#include "support/EditorWindow.h"
#include "support/Figures.h"
#include "tests/support/LoopbackFlood.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <ctime>

namespace {

// The simulated devices, except that a short message is accepted and goes nowhere.
class NoSendServices : public ForwardingServices
{
public:
    NoSendServices() : ForwardingServices(Target) {}
    MidiResult sendShortMessage(MidiHandle, std::uint32_t) override { return MidiOk; }

private:
    SimulatedServices Target;
};

// The editor with its "Monitor" page added and shown.
struct Editor
{
    explicit Editor(MidiServices &midi) : Window(midi)
    {
        TForm1 &form = *Window.Form;
        Page = AddMonitorPage(*form.PageControl1, *form.Monitor, *form.Input, *Window.Dialogs);
        Window.Form->PageControl1->setCurrentWidget(Page);
        ShowExposed(*Window.Form);
    }
    EditorWindow Window;
    MonitorPage *Page = nullptr;
};

void BM_SendControlChange(benchmark::State &state)
{
    NoSendServices midi;
    Editor editor(midi);
    TForm1 &form = *editor.Window.Form;
    ConverterLink unheard(*form.MidiOutput1);
    int value = 0;
    for (auto _ : state) {
        if (state.range(0))
            form.SendControlChange(0, 7, value++ & 0x7F);
        else
            unheard.SendControlChange(0, 7, value++ & 0x7F);
    }
    QCoreApplication::processEvents();
}
BENCHMARK(BM_SendControlChange)->ArgName("monitor")->Arg(0)->Arg(1);

void BM_RefreshAfterBurst(benchmark::State &state)
{
    SimulatedServices midi;
    Editor editor(midi);
    MonitorLog &log = *editor.Window.Form->Monitor;
    const std::uint8_t message[] = {0xB0, 0x07, 0x40};
    for (std::size_t i = 0; i < MonitorLog::Capacity; ++i)
        log.Record(Direction::In, message);
    editor.Page->Refresh();
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 1000; ++i)
            log.Record(Direction::In, message);
        state.ResumeTiming();
        editor.Page->Refresh();
        editor.Page->Lines->viewport()->repaint();
    }
}
BENCHMARK(BM_RefreshAfterBurst)->Unit(benchmark::kMicrosecond);

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Floods the loopback input while the GUI thread runs its event loop; returns the flood's wall
// time in seconds.
double Flood(SimulatedServices &midi, int messages)
{
    QEventLoop loop;
    LoopbackFlood flood(midi, messages);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (flood.Done())
            loop.quit();
    });
    watch.start(20);
    QElapsedTimer wall;
    wall.start();
    loop.exec();
    return double(wall.nsecsElapsed()) * 1e-9;
}

void BM_Flood(benchmark::State &state)
{
    constexpr int Messages = 1'000'000;
    SimulatedServices midi; // output "Torvane Simulator", input "Virtual Loopback"
    Editor editor(midi);
    TForm1 &form = *editor.Window.Form;
    if (!state.range(0)) {
        // Nothing reads the input: the cost of the flood's notifications alone.
        form.MidiInput1->OnMidiInput = {};
        form.MidiInput1->OnOverflow = {};
    }
    double cpu = 0, wall = 0;
    std::uint64_t shown = 0, lost = 0;
    int refreshes = 0;
    for (auto _ : state) {
        const std::uint64_t end = form.Monitor->End(), lostBefore = form.Input->Lost();
        const int refreshesBefore = editor.Page->Refreshes();
        const double cpuBefore = ThreadCpuSeconds();
        wall += Flood(midi, Messages);
        cpu += ThreadCpuSeconds() - cpuBefore;
        shown += form.Monitor->End() - end;
        lost += form.Input->Lost() - lostBefore;
        refreshes += editor.Page->Refreshes() - refreshesBefore;
    }
    state.counters["gui_cpu_percent"] = 100 * cpu / wall;
    state.counters["refreshes_per_s"] = refreshes / wall;
    if (state.range(0))
        state.counters["lost_percent"] = 100.0 * double(lost) / double(shown + lost);
}
BENCHMARK(BM_Flood)->ArgName("monitor")->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kSecond);

void BM_ClickDuringFlood(benchmark::State &state)
{
    SimulatedServices midi;
    Editor editor(midi);
    TForm1 &form = *editor.Window.Form;
    std::vector<double> latencies;
    QElapsedTimer posted;
    int next = 0;
    for (TSpeedButton *button : {form.spdPar1, form.spdPar2})
        QObject::connect(button, &QAbstractButton::clicked,
                         [&] { latencies.push_back(double(posted.nsecsElapsed()) / 1000.0); });
    // Every 50 ms a click arrives, on one preset button and then the other.
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        TSpeedButton *button = next++ % 2 ? form.spdPar2 : form.spdPar1;
        posted.start();
        PostClick(button);
    });
    clicker.start(50);
    for (auto _ : state)
        Flood(midi, 1'000'000);
    ReportPercentiles(state, "click_", latencies);
    state.counters["clicks"] = double(latencies.size());
}
BENCHMARK(BM_ClickDuringFlood)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
