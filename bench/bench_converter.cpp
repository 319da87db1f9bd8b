// Costs of the converter pages on the simulated devices:
// - filling the 32 controller selectors with the 129 controller names, the first step of
//   start-up (microseconds per fill);
// - a whole preset transfer (32 parameter messages, each followed by its 100 ms pause, with
//   the progress window), against its protocol floor of 3.2 s: the counter floor_ratio is the
//   transfer's wall time divided by 3.2 s, so 1.00 would be a transfer that costs nothing
//   beyond its pauses.
#include "midi/backend/simulated/SimulatedServices.h"
#include "support/EditorWindow.h"

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

} // namespace
