// The toolbar's parameter-file commands: save the current preset to a file, load a file into
// the current preset. Neither sends anything to the converter.
#include "app/Core_main.h"

#include "app/MessageBoxes.h"
#include "app/PresetBank.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

struct SaveTarget
{
    QString path;   // the file to write
    QString backup; // where an existing file of that name is moved first
};

// A chosen name without an extension gets ".TVN"; any other extension is kept. The backup is
// the name's stem with ".BAK", in the same folder.
SaveTarget TargetFor(const QString &chosen)
{
    const QFileInfo info(chosen);
    const QString name = info.fileName();
    const int dot = name.lastIndexOf('.');
    const QString stem = dot < 0 ? name : name.left(dot);
    return {dot < 0 ? chosen + ".TVN" : chosen, info.dir().filePath(stem + ".BAK")};
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
    const SaveTarget target = TargetFor(SaveDialog1.FileName);
    // When the backup name is taken the rename fails: the backup keeps the oldest version and
    // the file itself is overwritten. Only a file is backed up: a folder of the target's name
    // stays where it is, and the write then fails and is reported.
    if (QFileInfo(target.path).isFile())
        QFile::rename(target.path, target.backup);
    if (!PresetBank->SavePreset(CurrentPreset(), target.path))
        ShowErrorBox("Write File Error - Abort Saving", "File Error");
}

void TForm1::SpeedButton8Click(QObject *)
{
    OpenDialog1.Title = "Open Torvane Parameter File";
    OpenDialog1.FilterIndex = 1;
    if (!Dialogs.Execute(OpenDialog1, this))
        return;
    const int preset = CurrentPreset();
    if (!PresetBank->LoadPreset(preset, OpenDialog1.FileName)) {
        ShowErrorBox("Read File Error - Abort Loading", "File Error");
        return;
    }
    ApplyPreset(preset);
}
