#include "app/AtomicFile.h"

#include <QSaveFile>

bool WriteAtomically(const QString &path, QByteArrayView bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Flush before committing: QSaveFile::commit() alone reports success even when the
    // buffered bytes could not all reach the disk, and would then replace a good file with
    // a truncated one.
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
