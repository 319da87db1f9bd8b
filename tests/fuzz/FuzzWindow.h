#pragma once
// The main window a fuzz target drives, made once: offscreen, with settings and data folders of
// its own (on tmpfs where there is one: inputs rewrite files there, and saves sync them), its
// own preset bank, the in-process MIDI devices, and message boxes counted, not shown.
#include "app/Application.h"
#include "app/AutosaveLocation.h"
#include "app/Core_main.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "app/PresetBank.h"
#include "converter/TransferProgress.h"
#include "midi/backend/simulated/SimulatedServices.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>
#include <optional>

class FuzzWindow
{
public:
    // Makes the application too, the first time; dialogs must outlive the window.
    FuzzWindow(int *argc, char ***argv, FileDialogs &dialogs)
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        qputenv("XDG_DATA_HOME", Path("data").toUtf8());
        static TApplication app(*argc, *argv);
        SetMessageSink([this](const MessageRequest &) { ++Boxes; });
        QDir().mkpath(Path("program"));
        // A channel dialog would wait for an answer: the fuzzed user cancels it.
        const EditorParts parts{.bank = Bank,
                                .progress = [this]() -> TransferProgress & { return Progress; },
                                .chooseChannel = [](int) { return std::optional<int>(); }};
        Form = std::make_unique<TForm1>(Midi, dialogs, parts,
                                        AutosaveLocation(Path("program"), Path("userdata")));
        Form->BuildLatePages(); // the targets reach every page's controls from the start
        // What the window sent while it started (the patch-bay set-up) is not the input's.
        Midi.waitIdle();
        Midi.clearSimulatorMessages();
    }

    QString Path(const char *name) const { return QDir(Dir.path()).filePath(name); }

    QTemporaryDir Dir{QDir("/dev/shm").exists() ? "/dev/shm/torvane-fuzz-XXXXXX"
                                                : QDir::tempPath() + "/torvane-fuzz-XXXXXX"};
    TPresetBank Bank;
    // The fuzzed user watches no transfer: its progress goes nowhere (and no widget is made
    // before the application).
    struct : TransferProgress
    {
        void Started(int) override {}
        void Sent(int, int) override {}
        void Finished() override {}
    } Progress;
    SimulatedServices Midi;
    std::unique_ptr<TForm1> Form;
    int Boxes = 0;
};
