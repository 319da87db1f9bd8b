#pragma once
// A main window in a sandbox: its own preset bank, autosave folders, settings and message
// boxes, so that each test starts from a first run.
#include "app/AutosaveLocation.h"
#include "app/Core_main.h"
#include "app/PresetBank.h"
#include "support/MessageRecorder.h"

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
        Settings().clear();
        QDir().mkpath(ProgramFolder());
    }
    ~FormTest() override { PresetBank = nullptr; }

    static QSettings Settings()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmont", "Torvane");
    }
    QString ProgramFolder() const { return QDir(Dir.path()).filePath("program"); }
    QString UserDataFolder() const { return QDir(Dir.path()).filePath("userdata"); }
    AutosaveLocation Autosave() const { return {ProgramFolder(), UserDataFolder()}; }
    QString ProgramBankFile() const { return QDir(ProgramFolder()).filePath("torvanepar.TVN"); }

    std::unique_ptr<TForm1> MakeForm() { return std::make_unique<TForm1>(Autosave()); }

    QTemporaryDir Dir;
    TPresetBank Bank;
    MessageRecorder Boxes;
};
