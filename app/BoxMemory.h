#pragma once
// What the editor believes each converter has, by the name of the output device it was sent to:
// one BoxBelief per device, kept in a file of the user's data folder so that it survives a
// restart. A device never sent to (or forgotten) is unknown.
//
// The file is written whole or not at all, once the event loop comes round after a change: a
// transfer, which blocks the GUI thread for its pauses, is written once at its end rather than
// once per message. An unreadable or damaged file counts as no file: every device unknown.
// GUI thread only.
#include "converter/BoxBelief.h"

#include <QObject>
#include <QString>
#include <map>

class BoxMemory : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *FileName = "boxes.json";

    // Reads what path holds.
    explicit BoxMemory(QString path, QObject *parent = nullptr);
    ~BoxMemory() override;

    const BoxBelief &Of(const QString &device) const;
    // A message that reached device.
    void Delivered(const QString &device, QByteArrayView message);
    void Forget(const QString &device);
    // Writes the file now when anything changed since it was last written; false when it
    // could not be written.
    bool Save();

signals:
    void Changed();

private:
    void Touch();

    QString Path;
    std::map<QString, BoxBelief> Devices;
    bool Dirty = false;
    bool Scheduled = false;
};
