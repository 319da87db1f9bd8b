#pragma once
// Where the autosave bank file torvanepar.TVN lives.
//
// Its home is beside the executable. An installed program usually cannot write there, so
// when that folder is not writable the file lives in the per-user data folder instead.
// Loading prefers the file in the folder that saving will use, so that the user's edits
// saved in the data folder are not shadowed by a stale copy beside a read-only executable.
#include <QString>
#include <QStringList>

class TPresetBank;

class AutosaveLocation
{
public:
    static constexpr const char *FileName = "torvanepar.TVN";
    // The names of the bank's presets and outputs, beside the bank file they belong to.
    static constexpr const char *NamesFileName = "torvanepar.names";
    static QString NamesFileFor(const QString &bankFile);

    AutosaveLocation(QString programFolder, QString userDataFolder);
    // Beside this executable, and QStandardPaths::AppDataLocation.
    static AutosaveLocation ForThisProgram();

    // The file to load at start-up, or empty when none exists.
    QString FileToLoad() const;

    // Writes the bank to the first folder that takes it. Returns the path written, or
    // empty when it could be written nowhere.
    QString Save(const TPresetBank &bank) const;

    // The folders tried, in order of preference.
    QStringList Folders() const;
    // The per-user data folder, where the editor keeps what is not the user's to move.
    const QString &DataFolder() const { return UserDataFolder; }

private:
    QString ProgramFolder;
    QString UserDataFolder;
};
