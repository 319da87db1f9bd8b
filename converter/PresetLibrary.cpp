#include "converter/PresetLibrary.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QPromise>
#include <QStandardPaths>
#include <QThreadPool>
#include <algorithm>
#include <memory>

namespace {

// A preset file is a few kilobytes; anything far larger is not one, and is not read whole.
constexpr qint64 LargestPresetFile = 1 << 20;

struct FoundFile
{
    QString path;
    QString relative;
    QDateTime modified;
};

std::vector<FoundFile> FindPresetFiles(const QString &folder, const std::function<bool()> &stop)
{
    std::vector<FoundFile> found;
    if (folder.isEmpty()) // not the working folder, as QDir takes it
        return found;
    const QDir root(folder);
    // Folders come up too, so that a scan can stop in a large tree that holds no preset files.
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext() && !(stop && stop())) {
        const QString path = it.next();
        if (it.fileInfo().isFile() && preset_text::IsPresetTextFileName(path))
            found.push_back({path, root.relativeFilePath(path), it.fileInfo().lastModified()});
    }
    std::sort(found.begin(), found.end(),
              [](const FoundFile &a, const FoundFile &b) { return a.path < b.path; });
    return found;
}

// The preset the file holds, or why it cannot be listed.
std::variant<preset_text::Preset, QString> ReadPresetFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QObject::tr("The preset file cannot be read: %1.").arg(file.errorString());
    if (file.size() > LargestPresetFile)
        return QObject::tr("The file is too large to be a preset file.");
    return preset_text::Read(file.readAll());
}

} // namespace

QString DefaultLibraryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Torvane presets");
}

QString LibraryDateText(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString LibraryLabelsText(const PresetNames &names)
{
    QStringList labels;
    for (int output = 0; output < protocol::OutputCount; ++output)
        if (const QString &label = names.labels[std::size_t(output)]; !label.isEmpty())
            labels << QString::number(output + 1) + QLatin1Char(' ') + label;
    return labels.join(QStringLiteral(" \u00B7 "));
}

LibraryEntry MakeLibraryEntry(const QString &path, const QString &relative,
                              const QDateTime &modified, preset_text::Preset preset)
{
    LibraryEntry entry;
    entry.path = path;
    entry.name =
        preset.names.name.isEmpty() ? QFileInfo(path).completeBaseName() : preset.names.name;
    entry.labels = LibraryLabelsText(preset.names);
    entry.modified = modified;
    entry.preset = std::move(preset);
    // One field per line: a word of the filter, which holds no line break, never matches
    // across two fields.
    entry.searchText = QStringList{entry.name, entry.labels, relative, LibraryDateText(modified)}
                           .join(QLatin1Char('\n'))
                           .toCaseFolded();
    return entry;
}

LibraryScan ScanLibrary(const QString &folder, const std::function<bool()> &stop)
{
    LibraryScan scan;
    scan.folder = QDir::cleanPath(folder);
    for (FoundFile &file : FindPresetFiles(scan.folder, stop)) {
        if (stop && stop())
            break;
        auto read = ReadPresetFile(file.path);
        if (auto *preset = std::get_if<preset_text::Preset>(&read))
            scan.entries.push_back(
                MakeLibraryEntry(file.path, file.relative, file.modified, std::move(*preset)));
        else
            scan.unreadable.push_back({std::move(file.path), std::get<QString>(read)});
    }
    return scan;
}

QFuture<LibraryScan> ScanLibraryInBackground(const QString &folder)
{
    // Shared with the task, which the pool copies; the future keeps the result, not the promise.
    auto promise = std::make_shared<QPromise<LibraryScan>>();
    QFuture<LibraryScan> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, folder] {
        LibraryScan scan = ScanLibrary(folder, [&] { return promise->isCanceled(); });
        promise->addResult(std::move(scan));
        promise->finish();
    });
    return future;
}

LibraryFilter::LibraryFilter(const QString &typed)
{
    // Blanks of any kind and number separate the words.
    const QString words = typed.toCaseFolded().simplified();
    if (!words.isEmpty())
        Words = words.split(QLatin1Char(' '));
}

bool LibraryFilter::Accepts(const LibraryEntry &entry) const
{
    for (const QString &word : Words)
        if (!entry.searchText.contains(word))
            return false;
    return true;
}
