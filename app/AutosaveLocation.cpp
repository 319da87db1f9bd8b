#include "app/AutosaveLocation.h"

#include "app/PresetBank.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString AutosaveLocation::Save(const TPresetBank &bank) const
{
    for (const QString &folder : Folders()) {
        // The user data folder may not exist yet; the program's folder always does.
        if (folder.isEmpty() || (folder == UserDataFolder && !QDir().mkpath(folder)))
            continue;
        const QString path = QDir(folder).filePath(FileName);
        if (bank.SaveBank(path))
            return path;
    }
    return {};
}
