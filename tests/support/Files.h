#pragma once
// Whole files in and out, what a folder holds, and a disk that fills up.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

// The whole file; empty when it cannot be read.
QByteArray ReadFile(const QString &path);
// Writes the whole file, making its folder first; false when any of it failed.
bool WriteFile(const QString &path, const QByteArray &bytes);
// Every file below the folder, by relative path, sorted.
QStringList FilesBelow(const QString &folder);

// Every write past `bytes` bytes of a file fails while it lives, as on a full disk.
class DiskFullAfter
{
public:
    explicit DiskFullAfter(rlim_t bytes);
    ~DiskFullAfter();
    DiskFullAfter(const DiskFullAfter &) = delete;
    DiskFullAfter &operator=(const DiskFullAfter &) = delete;

private:
    rlimit Saved{};
};
