// The library of saved presets: what a folder's scan lists and leaves out, what the filter
// keeps, the background scan the window waits for, and the keyboard path through the dialog.
#include "converter/LibraryDialog.h"
#include "support/Files.h"
#include "support/Printing.h"
#include "support/TempFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

preset_text::Preset Named(const QString &name, std::map<int, QString> labels = {})
{
    preset_text::Preset preset;
    preset.names.name = name;
    for (const auto &[output, label] : labels)
        preset.names.labels[std::size_t(output - 1)] = label;
    return preset;
}

QStringList Names(const LibraryModel &model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.data(model.index(row, LibraryModel::NameColumn), Qt::DisplayRole).toString();
    return names;
}

// A folder with three presets, one of them in a subfolder.
struct ThreeFiles
{
    TempFolder folder;
    ThreeFiles()
    {
        WriteFile(folder.Path("bass.tvp"), preset_text::Write(Named("Bass", {{1, "Cutoff"}})));
        WriteFile(folder.Path("live/lead.tvp"), preset_text::Write(Named("Lead")));
        WriteFile(folder.Path("pad.tvp"), preset_text::Write(Named("Pad")));
    }
};

} // namespace

TEST(PresetLibrary, FilterKeepsEntriesHoldingEveryWordInAnyField)
{
    const QDateTime december(QDate(2026, 12, 9), QTime(18, 4));
    const QDateTime march(QDate(2025, 3, 1), QTime(9, 30));
    LibraryScan scan;
    scan.entries = {
        MakeLibraryEntry("/l/bass.tvp", "bass.tvp", december,
                         Named("Bass 9", {{17, "VCF 2 cutoff"}, {18, "Env decay"}})),
        MakeLibraryEntry("/l/live/one.tvp", "live/one.tvp", march, Named("Lead", {{1, "Pitch"}})),
        MakeLibraryEntry("/l/untitled sketch.tvp", "untitled sketch.tvp", march, Named("")),
        MakeLibraryEntry("/l/b.tvp", "b.tvp", march, Named("bass 10")),
    };
    EXPECT_EQ(scan.entries[0].labels, QString::fromUtf8("17 VCF 2 cutoff · 18 Env decay"));
    LibraryModel model;
    model.SetScan(scan);
    const struct
    {
        const char *typed;
        QStringList names;
    } cases[] = {
        {"", {"Bass 9", "Lead", "untitled sketch", "bass 10"}},
        {"cutof", {"Bass 9"}},
        {"  bass   decay ", {"Bass 9"}},
        {"lEAD PiTcH", {"Lead"}},
        {"bass pitch", {}},
        {"2026-12-09 18:04", {"Bass 9"}},
        {"live/", {"Lead"}},
        {"sketch", {"untitled sketch"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        model.SetFilter(c.typed);
        EXPECT_EQ(Names(model), c.names);
    }
    // Sorted by name: numbers by their value, the case ignored.
    model.SetFilter("bass");
    model.sort(LibraryModel::NameColumn, Qt::AscendingOrder);
    EXPECT_EQ(Names(model), QStringList({"Bass 9", "bass 10"}));
    model.sort(LibraryModel::NameColumn, Qt::DescendingOrder);
    model.SetFilter("");
    EXPECT_EQ(Names(model), QStringList({"untitled sketch", "Lead", "bass 10", "Bass 9"}));
}

TEST(PresetLibrary, ScanListsUsableFilesAndCountsTheOthersWithTheirReasons)
{
    TempFolder folder;
    const QByteArray good = preset_text::Write(Named("Good", {{3, "Env"}}));
    WriteFile(folder.Path("good.tvp"), good);
    WriteFile(folder.Path("sub/deeper/nested.tvp"), preset_text::Write(Named("Nested")));
    WriteFile(folder.Path("no name.tvp"), preset_text::Write(Named("")));
    WriteFile(folder.Path("LOUD.TVP"), preset_text::Write(Named("Loud")));
    WriteFile(folder.Path("damaged.tvp"), good.left(good.size() / 2));
    WriteFile(folder.Path("later.tvp"),
              QByteArray(good).replace("\"version\": 1", "\"version\": 9"));
    WriteFile(folder.Path("notes.txt"), good);

    const LibraryScan scan = ScanLibrary(folder.Path(""));
    const struct
    {
        const char *file;
        const char *listedAs; // null: not listed
        const char *reason;
    } cases[] = {
        {"good.tvp", "Good", nullptr},
        {"sub/deeper/nested.tvp", "Nested", nullptr},
        {"no name.tvp", "no name", nullptr},
        {"LOUD.TVP", "Loud", nullptr},
        {"damaged.tvp", nullptr, "not a Torvane preset file"},
        {"later.tvp", nullptr, "later version"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = QDir::cleanPath(folder.Path(c.file));
        const auto listed = std::find_if(scan.entries.begin(), scan.entries.end(),
                                         [&](const LibraryEntry &e) { return e.path == path; });
        const auto left = std::find_if(scan.unreadable.begin(), scan.unreadable.end(),
                                       [&](const UnreadableFile &f) { return f.path == path; });
        EXPECT_EQ(listed != scan.entries.end() ? listed->name : QString(), c.listedAs);
        EXPECT_EQ(left != scan.unreadable.end() ? left->reason.contains(c.reason) : false,
                  c.reason != nullptr);
    }
    EXPECT_EQ(scan.unreadable.size(), 2u);
    ASSERT_EQ(scan.entries.size(), 4u);
    EXPECT_EQ(scan.entries[1].preset.names.labels[2], "Env"); // LOUD.TVP, good.tvp, ...
}

// A scan replaced before it ends never shows: only the last folder asked for does.
TEST(LibraryModel, ShowsTheLastBackgroundScanOnly)
{
    ThreeFiles three;
    TempFolder other;
    WriteFile(other.Path("solo.tvp"), preset_text::Write(Named("Solo")));
    LibraryModel model;
    QSignalSpy scanning(&model, &LibraryModel::ScanningChanged);
    model.Scan(three.folder.Path(""));
    model.Scan(other.Path(""));
    ASSERT_TRUE(scanning.wait(5000));
    EXPECT_FALSE(model.Scanning());
    EXPECT_EQ(Names(model), QStringList({"Solo"}));
    QTest::qWait(50);
    EXPECT_EQ(Names(model), QStringList({"Solo"}));
}

TEST(LibraryDialog, FilterThenDownThenEnterLoadsTheFirstRowShown)
{
    ThreeFiles three;
    QStringList loaded;
    LibraryDialog::Hooks hooks;
    hooks.load = [&](const preset_text::Preset &preset, const QString &source) {
        loaded << preset.names.name + " " + QFileInfo(source).fileName();
    };
    LibraryDialog dialog(nullptr, three.folder.Path(""), hooks);
    QSignalSpy scanning(dialog.Model, &LibraryModel::ScanningChanged);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_TRUE(scanning.count() == 2 || scanning.wait(5000));
    EXPECT_EQ(dialog.Status->text(), "3 presets");
    EXPECT_FALSE(dialog.Load->isEnabled());

    QTest::keyClicks(dialog.Filter, "ad");
    EXPECT_EQ(dialog.Status->text(), "2 of 3 presets");
    QTest::keyClick(dialog.Filter, Qt::Key_Down);
    EXPECT_TRUE(dialog.Table->hasFocus());
    EXPECT_TRUE(dialog.Load->isEnabled());
    QTest::keyClick(dialog.Table, Qt::Key_Down);
    QTest::keyClick(dialog.Table, Qt::Key_Return);
    // The row selected stays selected while the filter narrows the list around it.
    QTest::keyClicks(dialog.Filter, " pad");
    QTest::keyClick(dialog.Table, Qt::Key_Enter);
    EXPECT_EQ(loaded, QStringList({"Pad pad.tvp", "Pad pad.tvp"}));
}
