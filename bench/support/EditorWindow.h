#pragma once
// The editor's main window as program entry builds it, for the benchmarks that time it.
#include "app/Core_main.h"
#include "app/FileDialogs.h"
#include "app/PresetBank.h"
#include "converter/Channel.h"
#include "converter/Unit2.h"

#include <QTemporaryDir>
#include <memory>

class MidiServices;

// The main window on the services given, with a preset bank, progress window and channel
// dialog of its own, autosave folders in a temporary folder, and file dialogs that are always
// cancelled. Every page is built, as they are soon after the window's first paint, unless
// lateBuilt leaves that to the window.
class EditorWindow
{
public:
    explicit EditorWindow(MidiServices &midi, bool lateBuilt = false);
    ~EditorWindow();
    EditorWindow(const EditorWindow &) = delete;
    EditorWindow &operator=(const EditorWindow &) = delete;

    QTemporaryDir Folder;
    TPresetBank Bank;
    TForm2 Progress;
    TForm10 ChannelDialog;
    std::unique_ptr<FileDialogs> Dialogs;
    std::unique_ptr<TForm1> Form;
};
