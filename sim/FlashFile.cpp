#include "sim/FlashFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace sim {

namespace {

constexpr char Magic[] = {'T', 'V', 'S', 'F'};
constexpr char Version = 1;
constexpr qsizetype HeaderSize = sizeof Magic + 1;

} // namespace

QString FlashFile::defaultPath(const QString &fileName)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(fileName);
}

QByteArray FlashFile::encode(const ConverterSetup &setup)
{
    QByteArray bytes(Magic, sizeof Magic);
    bytes.append(Version);
    bytes.append(char(setup.channel));
    for (const std::uint8_t controller : setup.controllers)
        bytes.append(char(controller));
    return bytes;
}

std::optional<ConverterSetup> FlashFile::decode(const QByteArray &bytes)
{
    if (bytes.size() != Size || !bytes.startsWith(QByteArray(Magic, sizeof Magic)) ||
        bytes[sizeof Magic] != Version)
        return std::nullopt;
    ConverterSetup setup;
    setup.channel = std::uint8_t(bytes[HeaderSize]);
    if (setup.channel > 15)
        return std::nullopt;
    for (int i = 0; i < OutputCount; ++i)
        setup.controllers[i] = std::uint8_t(bytes[HeaderSize + 1 + i]);
    return setup;
}

FlashFile::Loaded FlashFile::load(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    // One byte more than a flash image, so that a longer file is told from a good one.
    const QByteArray bytes = file.read(Size + 1);
    if (auto setup = decode(bytes))
        return {setup, {}};
    return {std::nullopt, QStringLiteral("%1 is not a simulator flash file").arg(path)};
}

QString FlashFile::save(const QString &path, const ConverterSetup &setup)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    const QByteArray bytes = encode(setup);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

} // namespace sim
