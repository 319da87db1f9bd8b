#include "app/PresetFiles.h"

#include "app/AtomicFile.h"
#include "app/InputFile.h"
#include "app/MessageBoxes.h"
#include "app/PresetBank.h"
#include "converter/EditorState.h"
#include "converter/PresetHistory.h"
#include "converter/PresetText.h"
#include "converter/SysexFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

// Filters after the parameter files' own two, in both dialogs; the save dialog's fourth adds
// the write-to-flash command. A filter rather than an option: every file dialog, the desktop's
// own included, offers filters, and the choice shows in the file's description. The preset
// with its names comes last in each.
constexpr int SysexFilter = 3;
constexpr int SysexWithFlashFilter = 4;
constexpr int SavePresetTextFilter = 5;
constexpr int OpenPresetTextFilter = 4;

struct SaveTarget
{
    QString path;   // the file to write
    QString backup; // where an existing file of that name is moved first
};

// A chosen name without an extension gets the kind's own; any other extension is kept. The
// backup is the name's stem with ".BAK", in the same folder.
SaveTarget TargetFor(const QString &chosen, const QString &extension)
{
    const QFileInfo info(chosen);
    const QString name = info.fileName();
    const int dot = name.lastIndexOf('.');
    const QString stem = dot < 0 ? name : name.left(dot);
    return {dot < 0 ? chosen + extension : chosen, info.dir().filePath(stem + ".BAK")};
}

void ShowReadError()
{
    ShowErrorBox("Read File Error - Abort Loading", "File Error");
}

// A .syx or .tvp file read whole, up to the most either kind is read; nothing (reported) when it
// cannot be read.
std::optional<QByteArray> ReadWholeFile(const QString &path)
{
    const input_file::Contents file =
        input_file::Read(path, input_file::SysexLimit, input_file::Beyond::Refused);
    if (file.fault == input_file::Fault::TooLarge) {
        ShowErrorBox(file.error + " Nothing was loaded.", "File Error");
        return std::nullopt;
    }
    if (file.fault != input_file::Fault::None) {
        ShowReadError();
        return std::nullopt;
    }
    return file.bytes;
}

// Applies the file's converter messages to image; nothing (reported) when it cannot be read
// or used.
std::optional<protocol::SysexImport> ImportSysexFile(const QString &path, PresetImage &image)
{
    const std::optional<QByteArray> file = ReadWholeFile(path);
    if (!file)
        return std::nullopt;
    const QByteArray &bytes = *file;
    const protocol::SysexImport import = protocol::ImportSysex(bytes, image);
    if (import.split.fault != protocol::SysexFault::None) {
        ShowErrorBox(protocol::SysexFaultText(import.split, bytes) + " Nothing was loaded.",
                     "File Error");
        return std::nullopt;
    }
    return import;
}

// A .tvp file read whole; nothing (reported with the reason) when it cannot be used.
std::optional<preset_text::Preset> ReadPresetText(const QString &path)
{
    const std::optional<QByteArray> file = ReadWholeFile(path);
    if (!file)
        return std::nullopt;
    std::variant<preset_text::Preset, QString> read = preset_text::Read(*file);
    if (const QString *refusal = std::get_if<QString>(&read)) {
        ShowErrorBox(*refusal, "File Error");
        return std::nullopt;
    }
    return std::get<preset_text::Preset>(std::move(read));
}

} // namespace

PresetFiles::PresetFiles(TPresetBank &bank, const EditorState &state, FileDialogs &dialogs,
                         TFileDialog &save, TFileDialog &open, QWidget &window, Load load)
    : Bank(bank), State(state), Dialogs(dialogs), SaveDialog(save), OpenDialog(open),
      Window(window), LoadIntoPage(std::move(load))
{
}

void PresetFiles::SaveCurrentPreset()
{
    // A save dialog at every use: the button says "Save" and a name that does not exist yet
    // can be typed.
    SaveDialog.Title = "Save Torvane Parameter File";
    SaveDialog.FilterIndex = 1;
    SaveDialog.FileName.clear();
    if (!Dialogs.Execute(SaveDialog, &Window))
        return;
    const bool flash = SaveDialog.FilterIndex == SysexWithFlashFilter;
    const bool sysex = flash || SaveDialog.FilterIndex == SysexFilter;
    const bool text = SaveDialog.FilterIndex == SavePresetTextFilter ||
                      preset_text::IsPresetTextFileName(SaveDialog.FileName);
    const SaveTarget target = TargetFor(SaveDialog.FileName, sysex  ? ".syx"
                                                             : text ? preset_text::Extension
                                                                    : ".TVN");
    // When the backup name is taken the rename fails: the backup keeps the oldest version and
    // the file itself is overwritten. Only a file is backed up: a folder of the target's name
    // stays where it is, and the write then fails and is reported.
    if (QFileInfo(target.path).isFile())
        QFile::rename(target.path, target.backup);
    const bool saved = sysex  ? WriteAtomically(target.path, CurrentPresetSysex(flash))
                       : text ? WriteAtomically(target.path, CurrentPresetText())
                              : Bank.SavePreset(State.CurrentPreset(), target.path);
    if (!saved)
        ShowErrorBox("Write File Error - Abort Saving", "File Error");
}

QByteArray PresetFiles::CurrentPresetSysex(bool flash) const
{
    // Exactly what a transfer sends now: the current preset, on the master channel shown.
    const PresetImage preset = ReadPreset(Bank, State.CurrentPreset());
    return protocol::PresetSysex(
        State.MasterChannel(), protocol::Controllers(preset.data(), protocol::OutputCount), flash);
}

QByteArray PresetFiles::CurrentPresetText() const
{
    const PresetImage image = ReadPreset(Bank, State.CurrentPreset());
    return preset_text::Write({image, State.Names(State.CurrentPreset())});
}

void PresetFiles::OpenIntoCurrentPreset()
{
    OpenDialog.Title = "Open Torvane Parameter File";
    OpenDialog.FilterIndex = 1;
    if (!Dialogs.Execute(OpenDialog, &Window))
        return;
    LoadFile(OpenDialog.FileName, OpenDialog.FilterIndex);
}

std::optional<PresetFiles::FileContents> PresetFiles::Read(const QString &path, int filter) const
{
    // A file may hold less than a whole preset: the rest keeps what the preset holds now.
    FileContents read{ReadPreset(Bank, State.CurrentPreset()), std::nullopt, std::nullopt};
    if (filter == SysexFilter || protocol::IsSysexFileName(path)) {
        read.import = ImportSysexFile(path, read.image);
        if (!read.import)
            return std::nullopt;
    } else if (filter == OpenPresetTextFilter || preset_text::IsPresetTextFileName(path)) {
        std::optional<preset_text::Preset> preset = ReadPresetText(path);
        if (!preset)
            return std::nullopt;
        read.image = preset->bytes;
        read.names = preset->names;
    } else if (!TPresetBank::LoadPreset(path, read.image)) {
        ShowReadError();
        return std::nullopt;
    }
    return read;
}

void PresetFiles::LoadIntoCurrentPreset(const QString &path, bool sysex)
{
    LoadFile(path, sysex ? SysexFilter : 0);
}

void PresetFiles::LoadFile(const QString &path, int filter)
{
    const std::optional<FileContents> read = Read(path, filter);
    if (!read)
        return;
    LoadIntoPage(read->image, read->names ? &*read->names : nullptr, QFileInfo(path).fileName());
    if (read->import && read->import->skipped > 0)
        ShowMessage({protocol::SkippedNote(*read->import), "SysEx File", QMessageBox::Information,
                     QMessageBox::Ok});
}

std::optional<NamedPreset> PresetFiles::OpenToCompare()
{
    OpenDialog.Title = "Compare with Torvane Parameter File";
    OpenDialog.FilterIndex = 1;
    if (!Dialogs.Execute(OpenDialog, &Window))
        return std::nullopt;
    const std::optional<FileContents> read = Read(OpenDialog.FileName, OpenDialog.FilterIndex);
    if (!read)
        return std::nullopt;
    const QString fileName = QFileInfo(OpenDialog.FileName).fileName();
    return NamedPreset{NamedFile(read->names ? read->names->name : QString(), fileName),
                       read->image};
}

QString PresetFiles::DroppedFile(const QMimeData *data)
{
    if (!data->hasUrls() || data->urls().size() != 1 || !data->urls().constFirst().isLocalFile())
        return {};
    const QString path = data->urls().constFirst().toLocalFile();
    const bool parameterFile =
        QFileInfo(path).suffix().compare(QLatin1String("TVN"), Qt::CaseInsensitive) == 0;
    return parameterFile || protocol::IsSysexFileName(path) ||
                   preset_text::IsPresetTextFileName(path)
               ? path
               : QString();
}
