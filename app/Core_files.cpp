// The toolbar's parameter-file commands, and files dropped onto the window: save the current
// preset to a parameter file or as SysEx (.syx), load either kind into the current preset.
// Nothing here sends anything to the converter; every load can be undone.
#include "app/Core_main.h"

#include "app/AtomicFile.h"
#include "app/InputFile.h"
#include "app/MessageBoxes.h"
#include "app/PresetBank.h"
#include "converter/PresetHistory.h"
#include "converter/SysexFile.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

// Filters after the parameter files' own two, in both dialogs; the save dialog's last one adds
// the write-to-flash command. A filter rather than an option: every file dialog, the desktop's
// own included, offers filters, and the choice shows in the file's description.
constexpr int SysexFilter = 3;
constexpr int SysexWithFlashFilter = 4;

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

// The one local .TVN or .syx file that data carries, or nothing.
QString DroppedFile(const QMimeData *data)
{
    if (!data->hasUrls() || data->urls().size() != 1 || !data->urls().constFirst().isLocalFile())
        return {};
    const QString path = data->urls().constFirst().toLocalFile();
    const bool parameterFile =
        QFileInfo(path).suffix().compare(QLatin1String("TVN"), Qt::CaseInsensitive) == 0;
    return parameterFile || protocol::IsSysexFileName(path) ? path : QString();
}

void ShowReadError()
{
    ShowErrorBox("Read File Error - Abort Loading", "File Error");
}

} // namespace

void TForm1::SpeedButton17Click(QObject *)
{
    // A save dialog at every use: the button says "Save" and a name that does not exist yet
    // can be typed.
    SaveDialog1.Title = "Save Torvane Parameter File";
    SaveDialog1.FilterIndex = 1;
    SaveDialog1.FileName.clear();
    if (!Dialogs.Execute(SaveDialog1, this))
        return;
    const bool flash = SaveDialog1.FilterIndex == SysexWithFlashFilter;
    const bool sysex = flash || SaveDialog1.FilterIndex == SysexFilter;
    const SaveTarget target = TargetFor(SaveDialog1.FileName, sysex ? ".syx" : ".TVN");
    // When the backup name is taken the rename fails: the backup keeps the oldest version and
    // the file itself is overwritten. Only a file is backed up: a folder of the target's name
    // stays where it is, and the write then fails and is reported.
    if (QFileInfo(target.path).isFile())
        QFile::rename(target.path, target.backup);
    const bool saved = sysex ? WriteAtomically(target.path, CurrentPresetSysex(flash))
                             : Bank.SavePreset(CurrentPreset(), target.path);
    if (!saved)
        ShowErrorBox("Write File Error - Abort Saving", "File Error");
}

QByteArray TForm1::CurrentPresetSysex(bool flash)
{
    // Exactly what a transfer sends now: the current preset, on the master channel shown.
    const PresetImage preset = ReadPreset(Bank, CurrentPreset());
    return protocol::PresetSysex(
        State.MasterChannel(), protocol::Controllers(preset.data(), protocol::OutputCount), flash);
}

void TForm1::SpeedButton8Click(QObject *)
{
    OpenDialog1.Title = "Open Torvane Parameter File";
    OpenDialog1.FilterIndex = 1;
    if (!Dialogs.Execute(OpenDialog1, this))
        return;
    LoadIntoCurrentPreset(OpenDialog1.FileName, OpenDialog1.FilterIndex == SysexFilter);
}

std::optional<PresetImage> TForm1::ReadPresetFile(const QString &path, bool sysex,
                                                  std::optional<protocol::SysexImport> &import)
{
    // A file may hold less than a whole preset: the rest keeps what the preset holds now.
    PresetImage image = ReadPreset(Bank, CurrentPreset());
    if (sysex || protocol::IsSysexFileName(path)) {
        import = ImportSysexFile(path, image);
        if (!import)
            return std::nullopt;
    } else if (!TPresetBank::LoadPreset(path, image)) {
        ShowReadError();
        return std::nullopt;
    }
    return image;
}

void TForm1::LoadIntoCurrentPreset(const QString &path, bool sysex)
{
    std::optional<protocol::SysexImport> import;
    const std::optional<PresetImage> image = ReadPresetFile(path, sysex, import);
    if (!image)
        return;
    ConfigPage().LoadPresetImage(*image, QFileInfo(path).fileName());
    if (import && import->skipped > 0)
        ShowMessage({protocol::SkippedNote(*import), "SysEx File", QMessageBox::Information,
                     QMessageBox::Ok});
}

std::optional<NamedPreset> TForm1::OpenPresetFileToCompare()
{
    OpenDialog1.Title = "Compare with Torvane Parameter File";
    OpenDialog1.FilterIndex = 1;
    if (!Dialogs.Execute(OpenDialog1, this))
        return std::nullopt;
    std::optional<protocol::SysexImport> import;
    const std::optional<PresetImage> image =
        ReadPresetFile(OpenDialog1.FileName, OpenDialog1.FilterIndex == SysexFilter, import);
    if (!image)
        return std::nullopt;
    return NamedPreset{QFileInfo(OpenDialog1.FileName).fileName(), *image};
}

std::optional<protocol::SysexImport> TForm1::ImportSysexFile(const QString &path,
                                                             PresetImage &image)
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
    const QByteArray &bytes = file.bytes;
    const protocol::SysexImport import = protocol::ImportSysex(bytes, image);
    if (import.split.fault != protocol::SysexFault::None) {
        ShowErrorBox(protocol::SysexFaultText(import.split, bytes) + " Nothing was loaded.",
                     "File Error");
        return std::nullopt;
    }
    return import;
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    LoadIntoCurrentPreset(file, false);
}
