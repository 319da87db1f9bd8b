// Costs of the converter pages on the simulated devices:
// - filling the 32 controller selectors with the 129 controller names, the first step of
//   start-up (microseconds per fill);
// - a whole preset transfer (32 parameter messages, each followed by its 100 ms pause, with
//   the progress window), against its protocol floor of 3.2 s: the counter floor_ratio is the
//   transfer's wall time divided by 3.2 s, so 1.00 would be a transfer that costs nothing
//   beyond its pauses;
// - bringing the box up to date after one edit made with "Send Params RT" off: "Send changes"
//   sends the one output the box has differently (one message and its 100 ms pause), to the
//   message at the simulated box; the counter seconds is that time (goal 0.15 s, where a whole
//   transfer takes 3.2 s).
#include "midi/backend/simulated/SimulatedServices.h"
#include "support/EditorWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

// The editor on the in-process devices ("Torvane Simulator" as output).
struct Editor
{
    SimulatedServices Midi;
    EditorWindow Window{Midi};
};

void BM_FillControllerLists(benchmark::State &state)
{
    Editor editor;
    for (auto _ : state)
        editor.Window.Form->FillControllerLists();
}
BENCHMARK(BM_FillControllerLists)->Unit(benchmark::kMicrosecond);

void BM_PresetTransfer(benchmark::State &state)
{
    Editor editor;
    for (int i = 0; i < TForm1::OutputCount; ++i)
        editor.Window.Bank.SetByte(0, i, static_cast<std::uint8_t>(i));
    editor.Window.Form->show();
    using Clock = std::chrono::steady_clock;
    Clock::duration spent{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        editor.Window.Form->SendAllParameters();
        // Until the last message has reached the simulated box.
        editor.Midi.waitIdle();
        spent += Clock::now() - start;
        state.PauseTiming();
        editor.Midi.clearSimulatorMessages();
        // The completions of the 32 messages, as the event loop hands them to the port.
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    const double perTransfer =
        std::chrono::duration<double>(spent).count() / static_cast<double>(state.iterations());
    state.counters["floor_ratio"] = perTransfer / 3.2;
}
BENCHMARK(BM_PresetTransfer)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UpToDateAfterOneEdit(benchmark::State &state)
{
    Editor editor;
    TForm1 &form = *editor.Window.Form;
    form.show();
    form.SendAllParameters(); // the box is known from here on
    editor.Midi.waitIdle();
    QCoreApplication::processEvents();
    using Clock = std::chrono::steady_clock;
    Clock::duration spent{};
    int edit = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form.Assignments->AssignController(edit % TForm1::OutputCount, std::uint8_t(edit % 128));
        ++edit;
        state.ResumeTiming();
        const Clock::time_point start = Clock::now();
        form.Assignments->SendChangesAction->trigger();
        editor.Midi.waitIdle();
        spent += Clock::now() - start;
        state.PauseTiming();
        editor.Midi.clearSimulatorMessages();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["seconds"] =
        std::chrono::duration<double>(spent).count() / static_cast<double>(state.iterations());
}
BENCHMARK(BM_UpToDateAfterOneEdit)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
