// Costs of the converter pages on the simulated devices:
// - filling the 32 controller selectors with the 129 controller names, the first step of
//   start-up (microseconds per fill);
// - a whole preset transfer (32 parameter messages, each followed by its 100 ms pause, with
//   the progress window), against its protocol floor of 3.2 s: the counter floor_ratio is the
//   transfer's wall time divided by 3.2 s, so 1.00 would be a transfer that costs nothing
//   beyond its pauses.
#include "app/AutosaveLocation.h"
#include "app/Core_main.h"
#include "app/FileDialogs.h"
#include "app/PresetBank.h"
#include "converter/Channel.h"
#include "converter/Unit2.h"
#include "midi/backend/SimulatedServices.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace {

class NoFileDialogs : public FileDialogs
{
public:
    bool Execute(TFileDialog &, QWidget *) override { return false; }
};

// The editor as program entry builds it, on the in-process devices ("Torvane Simulator" as
// output), with autosave folders of its own.
class Editor
{
public:
    Editor()
    {
        PresetBank = &Bank;
        Form2 = &Progress;
        Form10 = &ChannelDialog;
        Form = std::make_unique<TForm1>(Midi, Dialogs,
                                        AutosaveLocation(QDir(Folder.path()).filePath("program"),
                                                         QDir(Folder.path()).filePath("userdata")));
    }
    ~Editor()
    {
        Form.reset();
        PresetBank = nullptr;
        Form2 = nullptr;
        Form10 = nullptr;
    }
    Editor(const Editor &) = delete;
    Editor &operator=(const Editor &) = delete;

    QTemporaryDir Folder;
    TPresetBank Bank;
    SimulatedServices Midi;
    NoFileDialogs Dialogs;
    TForm2 Progress;
    TForm10 ChannelDialog;
    std::unique_ptr<TForm1> Form;
};

void BM_FillControllerLists(benchmark::State &state)
{
    Editor editor;
    for (auto _ : state)
        editor.Form->FillControllerLists();
}
BENCHMARK(BM_FillControllerLists)->Unit(benchmark::kMicrosecond);

void BM_PresetTransfer(benchmark::State &state)
{
    Editor editor;
    for (int i = 0; i < TForm1::OutputCount; ++i)
        editor.Bank.SetByte(0, i, static_cast<std::uint8_t>(i));
    editor.Form->show();
    using Clock = std::chrono::steady_clock;
    Clock::duration spent{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        editor.Form->SendAllParameters();
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

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The editor reads and writes its settings at start-up: keep them away from the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", QDir(home.path()).filePath("data").toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
