#include "app/BoxMemory.h"

#include "app/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>

namespace {
// A file larger than this is no file of ours: thousands of devices would still fit.
constexpr qint64 LargestFile = 4 * 1024 * 1024;
} // namespace

BoxMemory::BoxMemory(QString path, QObject *parent) : QObject(parent), Path(std::move(path))
{
    QFile file(Path);
    if (!QFileInfo(Path).isFile() || file.size() > LargestFile || !file.open(QIODevice::ReadOnly))
        return;
    const QJsonObject devices = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = devices.begin(); it != devices.end(); ++it)
        Devices[it.key()] = BoxBelief::FromJson(it.value().toObject());
}

BoxMemory::~BoxMemory()
{
    Save();
}

const BoxBelief &BoxMemory::Of(const QString &device) const
{
    static const BoxBelief unknown;
    const auto found = Devices.find(device);
    return found == Devices.end() ? unknown : found->second;
}

void BoxMemory::Delivered(const QString &device, QByteArrayView message)
{
    BoxBelief &belief = Devices[device];
    const BoxBelief before = belief;
    belief.Delivered(message);
    if (!(belief == before))
        Touch();
}

void BoxMemory::Forget(const QString &device)
{
    if (Devices.erase(device) > 0)
        Touch();
}

void BoxMemory::Touch()
{
    if (!Scheduled)
        QTimer::singleShot(0, this, [this] {
            Scheduled = false;
            Save();
        });
    Scheduled = true;
    Dirty = true;
    emit Changed();
}

bool BoxMemory::Save()
{
    if (!Dirty)
        return true;
    QJsonObject devices;
    for (const auto &[device, belief] : Devices)
        devices[device] = belief.ToJson();
    QDir().mkpath(QFileInfo(Path).absolutePath());
    Dirty = !WriteAtomically(Path, QJsonDocument(devices).toJson());
    return !Dirty;
}
