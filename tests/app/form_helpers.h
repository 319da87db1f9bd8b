#pragma once
// A main window in a sandbox: its own preset bank, autosave folders, settings, message boxes,
// file dialogs and in-process MIDI devices ("Torvane Simulator" output, "Virtual Loopback"),
// so that each test starts from a first run.
#include "app/AutosaveLocation.h"
#include "app/Core_main.h"
#include "app/PresetBank.h"
#include "converter/Channel.h"
#include "converter/Unit2.h"
#include "midi/backend/SimulatedServices.h"
#include "support/MessageRecorder.h"
#include "support/ScriptedFileDialogs.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class FormTest : public ::testing::Test
{
protected:
    FormTest()
    {
        PresetBank = &Bank;
        Form2 = &Progress;
        Form10 = &ChannelDialog;
        Settings().clear();
        QDir().mkpath(ProgramFolder());
    }
    ~FormTest() override
    {
        PresetBank = nullptr;
        Form2 = nullptr;
        Form10 = nullptr;
    }

    static QSettings Settings()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmont", "Torvane");
    }
    QString ProgramFolder() const { return QDir(Dir.path()).filePath("program"); }
    QString UserDataFolder() const { return QDir(Dir.path()).filePath("userdata"); }
    AutosaveLocation Autosave() const { return {ProgramFolder(), UserDataFolder()}; }
    QString ProgramBankFile() const { return QDir(ProgramFolder()).filePath("torvanepar.TVN"); }

    std::unique_ptr<TForm1> MakeForm(MidiServices *midi = nullptr)
    {
        return std::make_unique<TForm1>(midi ? *midi : Midi, Dialogs, Autosave());
    }

    // What reached the simulated box so far, each message as hex bytes ("F0 70 7E ...").
    QStringList SentToSimulator()
    {
        Midi.waitIdle();
        QStringList sent;
        for (const auto &message : Midi.simulatorMessages())
            sent << QByteArray(reinterpret_cast<const char *>(message.data()),
                               qsizetype(message.size()))
                        .toHex(' ')
                        .toUpper();
        return sent;
    }

    QTemporaryDir Dir;
    TPresetBank Bank;
    MessageRecorder Boxes;
    ScriptedFileDialogs Dialogs;
    SimulatedServices Midi;
    TForm2 Progress;
    TForm10 ChannelDialog;
};
