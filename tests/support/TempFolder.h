#pragma once
// A temporary folder for a test's files, removed with it, and the few things tests do there.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

class TempFolder
{
public:
    QString Path(const QString &name) const { return QDir(Dir.path()).filePath(name); }
    bool Write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    // The file's bytes, or "<none>" when it cannot be read.
    QByteArray Read(const QString &name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    // A file of zeros of any size, which takes no room on disk.
    bool Sized(const QString &name, qint64 size) const
    {
        return Write(name, {}) && QFile::resize(Path(name), size);
    }
    bool MakeFifo(const QString &name) const { return ::mkfifo(qPrintable(Path(name)), 0600) == 0; }

private:
    QTemporaryDir Dir;
};
