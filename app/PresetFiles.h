#pragma once
// The toolbar's parameter-file commands and files dropped onto the window: save the current
// preset to a parameter file (.TVN) or as SysEx (.syx), read either kind into the current preset
// or for comparing. A file that cannot be read or used is reported and changes nothing; nothing
// here sends anything to the converter.
//
// GUI thread only. Everything given must outlive the commands.
#include "app/FileDialogs.h"
#include "converter/PresetHistory.h"
#include "converter/SysexFile.h"

#include <QString>
#include <functional>
#include <optional>

class EditorState;
class QMimeData;
class QWidget;
class TPresetBank;

class PresetFiles
{
public:
    // Where a file read into the current preset goes (the "Config" page, as one edit), with the
    // file's name.
    using Load = std::function<void(const PresetImage &image, const QString &fileName)>;

    PresetFiles(TPresetBank &bank, const EditorState &state, FileDialogs &dialogs,
                TFileDialog &save, TFileDialog &open, QWidget &window, Load load);

    // The save dialog, then the current preset written as the kind of file chosen.
    void SaveCurrentPreset();
    // The open dialog, then the file read into the current preset.
    void OpenIntoCurrentPreset();
    // Reads a parameter file, or a .syx file (sysex, or by its extension), into the current
    // preset; reports a file it cannot load and then changes nothing.
    void LoadIntoCurrentPreset(const QString &path, bool sysex);
    // The open dialog, then the file's preset for comparing; nothing when cancelled or unreadable.
    std::optional<NamedPreset> OpenToCompare();

    // The one local .TVN or .syx file a drop carries, or nothing.
    static QString DroppedFile(const QMimeData *data);

private:
    QByteArray CurrentPresetSysex(bool flash) const;
    // The preset a parameter or .syx file holds; nothing (reported) when it cannot be read.
    std::optional<PresetImage> Read(const QString &path, bool sysex,
                                    std::optional<protocol::SysexImport> &import) const;

    TPresetBank &Bank;
    const EditorState &State;
    FileDialogs &Dialogs;
    TFileDialog &SaveDialog;
    TFileDialog &OpenDialog;
    QWidget &Window;
    Load LoadIntoPage;
};
