// Program entry: the preset bank first, then the application, the MIDI services and the
// windows, the message loop, and the bank last.
#include "app/Application.h"
#include "app/BuiltInSimulator.h"
#include "app/CommandLine.h"
#include "app/Core_main.h"
#include "app/EditorMidi.h"
#include "app/ExceptionReport.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "app/MonitorPage.h"
#include "app/PresetBank.h"
#include "app/Settings.h"
#include "app/SimulatorPage.h"
#include "app/StartupProbe.h"
#include "app/TerminationSignals.h"
#include "converter/Channel.h"
#include "converter/MonitorModel.h"
#include "converter/Unit2.h"
#include "resources/Artwork.h"

#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>

// The program's objects, each made once here and handed on to what needs it: the window gets
// the bank and the two dialogs through its parts, the pages through their context.
namespace {
TPresetBank *PresetBank = nullptr;
TForm1 *Form1 = nullptr;
TForm2 *Form2 = nullptr;
TForm10 *Form10 = nullptr;
} // namespace

int main(int argc, char **argv)
{
    // The command line's options run without a window; without them nothing is made here.
    if (const std::optional<int> exitCode = command_line::Run(argc, argv))
        return *exitCode;

    std::unique_ptr<TPresetBank> bank;
    try {
        bank = std::make_unique<TPresetBank>();
    } catch (const std::bad_alloc &) {
        TApplication app(argc, argv);
        ShowMessage({"Alloc Memory Parametres", "Fatal Error", QMessageBox::NoIcon,
                     QMessageBox::Ok | QMessageBox::Cancel});
        return 1; // the bank has no memory for the presets: nothing could be kept
    }
    PresetBank = bank.get();

    // Connecting to the system's MIDI devices (the system the user chose; automatic: ALSA, else
    // JACK, else none) takes tens of milliseconds: it starts first, on a thread of its own,
    // while the window is built.
    // A failure (no thread to be had) is reported like any other of the start, once there is an
    // application to show it.
    std::unique_ptr<CombinedServices> startingMidi;
    std::exception_ptr midiFailure;
    try {
        startingMidi = MakeEditorMidi(SystemMidiStart::InBackground, ReadMidiSystemChoice());
    } catch (const std::exception &) {
        midiFailure = std::current_exception();
    }
    TApplication app(argc, argv);
    app.setWindowIcon(AppIcon());
    int result = 0;
    try {
        if (midiFailure)
            std::rethrow_exception(midiFailure);
        // Held here so that the services end with the window, before the application object.
        const std::unique_ptr<CombinedServices> midi = std::move(startingMidi);
        // The built-in simulated box hears the "Torvane Simulator" output from the start, so
        // that it also gets what the window sends while it starts up.
        sim::BuiltInSimulator simulator;
        midi->simulated().setSimulatorSink(simulator.sink());
        QtFileDialogs dialogs;
        // The dialogs are made after the window: it looks them up when they are used.
        const EditorParts parts{
            .bank = *PresetBank,
            .progress = []() -> TransferProgress & { return *Form2; },
            .chooseChannel = [](int current) { return Form10->ChooseChannel(current); },
        };
        auto form1 = std::make_unique<TForm1>(*midi, dialogs, parts);
        Form1 = form1.get();
        Form1->Devices->SetSystemSwitch(
            [&midi](MidiSystemChoice choice) { SwitchEditorMidi(*midi, choice); });
        auto form2 = std::make_unique<TForm2>();
        Form2 = form2.get();
        auto form10 = std::make_unique<TForm10>(Form1);
        Form10 = form10.get();
        // Built after the first paint, like the window's own pages; the monitor's log records
        // from the start.
        Form1->AddPage("Simulator", [&simulator] { return new SimulatorPage(simulator); });
        Form1->AddPage("Monitor", [&dialogs] {
            auto *page = new MonitorPage(*Form1->Monitor, *Form1->Input, dialogs);
            page->Model->SetOutputLabels(
                [&state = Form1->State](int output) { return state.Label(output); });
            return page;
        });
        InstallStartupProbe(*Form1); // measurement only: off unless the environment asks
        CloseOnTerminationSignals(*Form1);
        Form1->show();
        result = app.exec();
        Form10 = nullptr;
        Form2 = nullptr;
        Form1 = nullptr;
    } catch (const std::exception &error) {
        // A start-up that fails ends the program: say so with a non-zero exit code.
        ShowExceptionReport(error);
        result = 1;
    }
    PresetBank = nullptr;
    return result;
}
