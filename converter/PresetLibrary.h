#pragma once
// The library: a folder of saved presets, the editor's own preset files (.tvp) in it and in its
// subfolders, read into entries that a window lists and filters as the user types. A file that
// cannot be used (damaged, or written by a later version of the editor) is not listed; it is
// counted, with the reason, so that the window can say how many were left out and why.
//
// A library of thousands of files takes a while to read, so it can be read on a worker thread
// (ScanLibraryInBackground); LibraryModel (LibraryModel.h) does that for a window.
//
// Threads: ScanLibrary reads files and touches nothing shared, so it runs on any thread, several
// at once. Entries, scans and filters are plain values: one thread at a time each, handed over
// whole (as the background scan's future does).
#include "converter/PresetText.h"

#include <QDateTime>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct LibraryEntry
{
    QString path;   // absolute
    QString name;   // the preset's name, or the file's base name when the preset has none
    QString labels; // the non-empty labels with their outputs: "17 VCF 2 cutoff · 18 Env decay"
    QDateTime modified;
    preset_text::Preset preset;
    // Name, labels, the path within the library and the date as shown, case-folded and one per
    // line: what the filter looks in, made once so that filtering costs no conversion.
    QString searchText;
};

struct UnreadableFile
{
    QString path;
    QString reason; // a sentence for the user
};

struct LibraryScan
{
    QString folder;
    std::vector<LibraryEntry> entries; // in the order of their paths
    std::vector<UnreadableFile> unreadable;
};

// Where the library is until the user chooses another folder: "Torvane presets" in the user's
// documents.
QString DefaultLibraryFolder();

// A file's modification time as the library shows it: "2026-12-09 18:04", local time.
QString LibraryDateText(const QDateTime &time);
// The labels given, each after its output's number (1..32), joined by " · ".
QString LibraryLabelsText(const PresetNames &names);

// The entry for a preset read from path, which lies at relative within the library.
LibraryEntry MakeLibraryEntry(const QString &path, const QString &relative,
                              const QDateTime &modified, preset_text::Preset preset);

// Reads folder's preset files and those of its subfolders (symbolic links to folders are not
// followed). stop, when given, is asked at each file and folder, found or read: true ends the
// scan with what was read so far. A folder that does not exist, or no folder (an empty path), gives
// an empty scan.
LibraryScan ScanLibrary(const QString &folder, const std::function<bool()> &stop = {});
// The same on a thread of the global thread pool. Cancelling the future stops the scan before
// its next file; a cancelled future holds no result.
QFuture<LibraryScan> ScanLibraryInBackground(const QString &folder);

// What the user typed to narrow the list: its words, separated by blanks, must each appear in
// an entry's name, labels, path within the library or date as shown, in any of them, whatever
// their case. No words let every entry through.
class LibraryFilter
{
public:
    explicit LibraryFilter(const QString &typed = {});

    bool Accepts(const LibraryEntry &entry) const;
    bool Empty() const { return Words.isEmpty(); }

private:
    QStringList Words; // case-folded, as the entries' search texts
};
