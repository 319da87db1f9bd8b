// The preset library with 5,000 presets in 50 subfolders: how long until they are listed (every
// file read and the table's rows made: what the window waits for, on the scan's worker thread)
// and how long the list takes to follow what is typed in its filter (on the GUI thread).
// The files, dated over two years, are written once; the scans read them from the page cache.
#include "converter/LibraryModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr int PresetCount = 5000;
constexpr int FolderCount = 50;

const char *const Words[] = {"VCF",    "VCA",   "Env",   "LFO",    "cutoff", "decay", "attack",
                             "pitch",  "bend",  "mod",   "filter", "drive",  "res",   "gate",
                             "accent", "slide", "sweep", "glide",  "level",  "pan"};
const char *const Kinds[] = {"Bass", "Lead", "Pad", "Drone", "Arp", "Kit", "Pluck", "Keys"};

// A distinct preset: its kind, number and a word for a name, about a third of its outputs
// labelled with words drawn at random (the same for every run).
preset_text::Preset MakePreset(int n)
{
    std::mt19937 draw{std::uint32_t(n)};
    const auto word = [&] { return QString::fromLatin1(Words[draw() % std::size(Words)]); };
    preset_text::Preset preset;
    preset.names.name = QStringLiteral("%1 %2 %3")
                            .arg(QString::fromLatin1(Kinds[draw() % std::size(Kinds)]))
                            .arg(n)
                            .arg(word());
    for (int output = 0; output < protocol::OutputCount; ++output) {
        preset.bytes[std::size_t(output)] = std::uint8_t(draw() % 128);
        if (draw() % 3 == 0)
            preset.names.labels[std::size_t(output)] = word() + QLatin1Char(' ') +
                                                       QString::number(draw() % 3 + 1) +
                                                       QLatin1Char(' ') + word();
    }
    preset.bytes[protocol::PresetChannelByte] = std::uint8_t(n % 16);
    return preset;
}

// The library's folder, written on first use and removed at exit; empty when it could not be.
QString LibraryFolder()
{
    static QTemporaryDir dir;
    static const bool written = [] {
        const QDateTime start(QDate(2025, 1, 1), QTime(9, 0));
        for (int n = 0; n < PresetCount; ++n) {
            const QString folder = dir.filePath(QStringLiteral("set %1").arg(n % FolderCount));
            QFile file(folder + QStringLiteral("/preset %1.tvp").arg(n));
            if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
                file.write(preset_text::Write(MakePreset(n))) < 0 || !file.flush() ||
                !file.setFileTime(start.addSecs(qint64(n) * 12617),
                                  QFileDevice::FileModificationTime))
                return false;
        }
        return true;
    }();
    return dir.isValid() && written ? dir.path() : QString();
}

void BM_LibraryListed(benchmark::State &state)
{
    const QString folder = LibraryFolder();
    if (folder.isEmpty())
        return state.SkipWithError("the library's files could not be written");
    for (auto _ : state) {
        // Sorted by name, as the library window shows them.
        LibraryModel model;
        model.sort(LibraryModel::NameColumn, Qt::AscendingOrder);
        model.SetScan(ScanLibrary(folder));
        if (model.rowCount() != PresetCount)
            return state.SkipWithError("not every preset was listed");
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * PresetCount);
}
BENCHMARK(BM_LibraryListed)->Unit(benchmark::kMillisecond)->UseRealTime();

// What people type: part of a label, two words in different fields, a month, and text that no
// preset holds (every entry looked at in full).
const char *const Typed[] = {"cutoff", "bass decay", "2026-03", "vcf 2 sweep", "zzz"};

void BM_LibraryFiltered(benchmark::State &state)
{
    const QString folder = LibraryFolder();
    if (folder.isEmpty())
        return state.SkipWithError("the library's files could not be written");
    LibraryModel model;
    model.sort(LibraryModel::NameColumn, Qt::AscendingOrder);
    model.SetScan(ScanLibrary(folder));
    const QString typed = QString::fromLatin1(Typed[state.range(0)]);
    int shown = 0;
    for (auto _ : state) {
        // From the whole list each time, as when the filter is changed, not narrowed.
        model.SetFilter(QString());
        model.SetFilter(typed);
        shown = model.rowCount();
        benchmark::DoNotOptimize(shown);
    }
    state.SetLabel(QStringLiteral("\"%1\": %2 shown").arg(typed).arg(shown).toStdString());
}
BENCHMARK(BM_LibraryFiltered)
    ->ArgName("text")
    ->DenseRange(0, int(std::size(Typed)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
