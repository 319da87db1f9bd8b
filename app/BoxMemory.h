#pragma once
// What the editor believes each converter has, by the name of the output device it was sent to:
// one BoxBelief per device, kept in a file of the user's data folder so that it survives a
// restart. A device never sent to (or forgotten) is unknown.
//
// The file is written whole or not at all, once the event loop comes round after a change: a
// transfer, which blocks the GUI thread for its pauses, is written once at its end rather than
// once per message. An unreadable or damaged file counts as no file: every device unknown.
//
// Two editors may run at once (two boxes, two users of one account): each save reads the file
// again and writes back what is there with this editor's changes since its last save on top,
// device by device, under a lock file, so that neither drops the other's boxes. A memory
// without a path (no folder for the user's data) keeps its beliefs for the session only, and
// its saves fail. The first failed save is told (SaveFailed), once until a save succeeds again.
// GUI thread only.
#include "converter/BoxBelief.h"

#include <QObject>
#include <QString>
#include <map>
#include <set>

class BoxMemory : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *FileName = "boxes.json";

    // Reads what path holds; an empty path keeps nothing on disk.
    explicit BoxMemory(QString path, QObject *parent = nullptr);
    ~BoxMemory() override;

    const BoxBelief &Of(const QString &device) const;
    // A message that reached device.
    void Delivered(const QString &device, QByteArrayView message);
    void Forget(const QString &device);
    // Writes the file now when anything changed since it was last written; false when it
    // could not be written.
    bool Save();

    const QString &FilePath() const { return Path; }

signals:
    void Changed();
    // A save failed, for the first time since the last that succeeded.
    void SaveFailed();

private:
    using Beliefs = std::map<QString, BoxBelief>;
    static Beliefs Read(const QString &path);
    void Touch(const QString &device);
    bool Write();

    QString Path;
    Beliefs Devices;
    std::set<QString> ChangedHere; // devices changed or forgotten since the last save
    bool Scheduled = false;
    bool FailureTold = false;
};
