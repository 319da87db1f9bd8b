#pragma once
// The toolbar's parameter-file commands and files dropped onto the window: save the current
// preset to a parameter file (.TVN), as SysEx (.syx) or with its names (.tvp), read any of them
// into the current preset or for comparing. A .TVN or .syx file read leaves the preset's names
// as they are; a .tvp file brings its own. A file that cannot be read or used is reported and
// changes nothing; nothing here sends anything to the converter.
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
    // names it carries (none: the preset keeps its own) and the file's name.
    using Load = std::function<void(const PresetImage &image, const PresetNames *names,
                                    const QString &fileName)>;

    PresetFiles(TPresetBank &bank, const EditorState &state, FileDialogs &dialogs,
                TFileDialog &save, TFileDialog &open, QWidget &window, Load load);

    // The save dialog, then the current preset written as the kind of file chosen.
    void SaveCurrentPreset();
    // The open dialog, then the file read into the current preset.
    void OpenIntoCurrentPreset();
    // Reads a parameter file, a .syx file (sysex, or by its extension) or a .tvp file (by its
    // extension) into the current preset; reports a file it cannot load and then changes
    // nothing.
    void LoadIntoCurrentPreset(const QString &path, bool sysex);
    // The open dialog, then the file's preset for comparing; nothing when cancelled or unreadable.
    std::optional<NamedPreset> OpenToCompare();

    // The one local .TVN, .syx or .tvp file a drop carries, or nothing.
    static QString DroppedFile(const QMimeData *data);

private:
    QByteArray CurrentPresetSysex(bool flash) const;
    QByteArray CurrentPresetText() const;
    // Reads path as the open dialog's filter (1-based; 0 for none) or its extension says.
    void LoadFile(const QString &path, int filter);
    // The preset a parameter, .syx or .tvp file holds (with the names a .tvp file carries);
    // nothing (reported) when it cannot be read.
    struct FileContents
    {
        PresetImage image;
        std::optional<PresetNames> names;
        std::optional<protocol::SysexImport> import;
    };
    std::optional<FileContents> Read(const QString &path, int filter) const;

    TPresetBank &Bank;
    const EditorState &State;
    FileDialogs &Dialogs;
    TFileDialog &SaveDialog;
    TFileDialog &OpenDialog;
    QWidget &Window;
    Load LoadIntoPage;
};
