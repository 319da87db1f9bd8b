#include "app/AutosaveLocation.h"

#include "app/PresetBank.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// A save that is killed half-way (SIGKILL, power cut) leaves the bank file whole but leaves the
// atomic writer's temporary file beside it: the bank file's name, a dot and six random
// characters. Such leftovers are removed before the next save into that folder, once they are
// old enough that no other editor running at the same time can still be writing one.
void RemoveLeftoversOfKilledSaves(const QDir &folder)
{
    const QDateTime settled = QDateTime::currentDateTimeUtc().addSecs(-60);
    // The names file beside the bank is written the same way; its leftovers are text.
    const struct
    {
        const char *file;
        qint64 largest;
    } kinds[] = {{AutosaveLocation::FileName, TPresetBank::BankFileSize},
                 {AutosaveLocation::NamesFileName, 1024 * 1024}};
    for (const auto &kind : kinds) {
        const QFileInfoList found = folder.entryInfoList(
            {QString(kind.file) + ".??????"}, QDir::Files | QDir::Hidden | QDir::CaseSensitive);
        for (const QFileInfo &leftover : found)
            if (leftover.size() <= kind.largest && leftover.lastModified().toUTC() < settled)
                QFile::remove(leftover.filePath());
    }
}

} // namespace

AutosaveLocation::AutosaveLocation(QString programFolder, QString userDataFolder)
    : ProgramFolder(std::move(programFolder)), UserDataFolder(std::move(userDataFolder))
{
}

AutosaveLocation AutosaveLocation::ForThisProgram()
{
    return AutosaveLocation(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QStringList AutosaveLocation::Folders() const
{
    if (QFileInfo(ProgramFolder).isWritable())
        return {ProgramFolder, UserDataFolder};
    return {UserDataFolder, ProgramFolder};
}

QString AutosaveLocation::FileToLoad() const
{
    for (const QString &folder : Folders()) {
        const QString path = QDir(folder).filePath(FileName);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

QString AutosaveLocation::NamesFileFor(const QString &bankFile)
{
    return QFileInfo(bankFile).dir().filePath(NamesFileName);
}

QString AutosaveLocation::Save(const TPresetBank &bank) const
{
    for (const QString &folder : Folders()) {
        // The user data folder may not exist yet; the program's folder always does.
        if (folder.isEmpty() || (folder == UserDataFolder && !QDir().mkpath(folder)))
            continue;
        RemoveLeftoversOfKilledSaves(QDir(folder));
        const QString path = QDir(folder).filePath(FileName);
        if (bank.SaveBank(path))
            return path;
    }
    return {};
}
