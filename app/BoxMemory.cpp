#include "app/BoxMemory.h"

#include "app/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QTimer>

namespace {
// A file larger than this is no file of ours: thousands of devices would still fit.
constexpr qint64 LargestFile = 4 * 1024 * 1024;
} // namespace

BoxMemory::BoxMemory(QString path, QObject *parent)
    : QObject(parent), Path(std::move(path)), Devices(Read(Path))
{
}

BoxMemory::Beliefs BoxMemory::Read(const QString &path)
{
    Beliefs beliefs;
    QFile file(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || file.size() > LargestFile ||
        !file.open(QIODevice::ReadOnly))
        return beliefs;
    const QJsonObject devices = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = devices.begin(); it != devices.end(); ++it)
        beliefs[it.key()] = BoxBelief::FromJson(it.value().toObject());
    return beliefs;
}

BoxMemory::~BoxMemory()
{
    // Whoever listens may be half gone with the window.
    blockSignals(true);
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
        Touch(device);
}

void BoxMemory::Forget(const QString &device)
{
    if (Devices.erase(device) > 0)
        Touch(device);
}

void BoxMemory::Touch(const QString &device)
{
    if (!Scheduled)
        QTimer::singleShot(0, this, [this] {
            Scheduled = false;
            Save();
        });
    Scheduled = true;
    ChangedHere.insert(device);
    emit Changed();
}

bool BoxMemory::Save()
{
    if (ChangedHere.empty())
        return true;
    const bool saved = Write();
    if (saved) {
        ChangedHere.clear();
        FailureTold = false;
    } else if (!FailureTold) {
        FailureTold = true;
        emit SaveFailed();
    }
    return saved;
}

bool BoxMemory::Write()
{
    // Relative to nothing but the working directory: no place for the user's data.
    if (Path.isEmpty() || QFileInfo(Path).isRelative() ||
        !QDir().mkpath(QFileInfo(Path).absolutePath()))
        return false;
    // Another editor's save between this one's reading and writing would be lost: the lock
    // keeps them apart (one left by an editor that died is stale after a few seconds).
    QLockFile lock(Path + QStringLiteral(".lock"));
    lock.setStaleLockTime(5000);
    if (!lock.tryLock(5000))
        return false;
    Beliefs merged = Read(Path);
    for (const QString &device : ChangedHere) {
        const auto mine = Devices.find(device);
        if (mine == Devices.end())
            merged.erase(device);
        else
            merged[device] = mine->second;
    }
    QJsonObject devices;
    for (const auto &[device, belief] : merged)
        devices[device] = belief.ToJson();
    if (!WriteAtomically(Path, QJsonDocument(devices).toJson()))
        return false;
    // What the other editors saved meanwhile is this one's belief too from now on.
    const bool others = merged != Devices;
    Devices = std::move(merged);
    if (others)
        emit Changed();
    return true;
}
