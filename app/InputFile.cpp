#include "app/InputFile.h"

#include <QFile>
#include <QFileInfo>
#include <new>

namespace input_file {

namespace {

Contents Failed(Fault fault, const QString &error)
{
    return {{}, fault, error};
}

Contents TooLarge(qint64 limit)
{
    return Failed(Fault::TooLarge, QStringLiteral("The file is larger than %1 MiB, the most a "
                                                  "SysEx file is read up to (a converter "
                                                  "transfer takes 264 bytes).")
                                       .arg(double(limit) / (1024 * 1024)));
}

} // namespace

Contents Read(const QString &path, qint64 limit, Beyond beyond)
{
    // Opening a FIFO waits for a writer, so the type is checked on the name first; the check
    // after opening catches a name that has meanwhile come to stand for a device.
    const QFileInfo info(path);
    const QString notRegular = QStringLiteral(
        "The file is not a regular file (a FIFO, a device or a folder), and is not read.");
    if (info.exists() && !info.isFile())
        return Failed(Fault::Unreadable, notRegular);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(Fault::Unreadable, file.errorString());
    if (file.isSequential())
        return Failed(Fault::Unreadable, notRegular);
    if (beyond == Beyond::Refused && file.size() > limit)
        return TooLarge(limit);
    try {
        // One byte more than the limit tells a file that grew since its size was taken, or one
        // that says it is empty and is not (as the kernel's own files do).
        QByteArray bytes = file.read(beyond == Beyond::Refused ? limit + 1 : limit);
        if (file.error() != QFileDevice::NoError)
            return Failed(Fault::Unreadable, file.errorString());
        if (bytes.size() > limit)
            return TooLarge(limit);
        return {bytes, Fault::None, {}};
    } catch (const std::bad_alloc &) {
        return Failed(Fault::Unreadable, QStringLiteral("There is not enough memory to read it."));
    }
}

} // namespace input_file
