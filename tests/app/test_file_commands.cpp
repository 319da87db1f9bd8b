// The toolbar's parameter-file commands on real files: the target name and its backup, what
// is written and read, the error boxes, and the state the two dialogs are shown with.
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "support/FakeMidiServices.h"
#include "support/Files.h"
#include "support/FormTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTabWidget>
#include <QTest>
#include <optional>
#include <sys/stat.h>

void PrintTo(const QMap<QString, QByteArray> &tree, std::ostream *out)
{
    for (auto entry = tree.begin(); entry != tree.end(); ++entry) {
        *out << "\n  " << entry.key().toStdString() << ": ";
        PrintTo(entry.value(), out);
    }
}

namespace {

// What a folder holds: file contents by relative path, and Folder for a sub-folder.
using Tree = QMap<QString, QByteArray>;
const QByteArray Folder("<folder>");
const QByteArray Old("the previous file");
const QByteArray Older("the file before that");
const QByteArray Current("<the current preset>"); // stands for the preset's 34 bytes

class FileCommandsTest : public FormTest
{
protected:
    FileCommandsTest()
    {
        Devices.inputs = {FakeMidiServices::inputNamed("In")};
        Devices.outputs = {FakeMidiServices::outputNamed("Out")};
        // Every byte differs between presets, so a byte from the wrong preset shows.
        for (int p = 0; p < TPresetBank::PresetCount; ++p) {
            for (int i = 0; i < 32; ++i)
                Bank.SetByte(p, i, std::uint8_t(p * 32 + i));
            Bank.SetByte(p, 32, std::uint8_t(p * 4 + 1));
            Bank.SetByte(p, 33, std::uint8_t(0xA0 + p));
        }
        Form = MakeForm(&Devices);
        // The toolbar is on the "Config" page, where the user clicks it.
        Form->PageControl1->setCurrentWidget(Form->TabSheet2);
        Form->show();
    }

    QString Path(const QString &name) const { return QDir(Files.path()).filePath(name); }

    void Populate(const Tree &tree)
    {
        QDir root(Files.path());
        root.removeRecursively();
        root.mkpath(".");
        for (auto entry = tree.begin(); entry != tree.end(); ++entry) {
            const QString path = Path(entry.key());
            if (entry.value() == Folder) {
                root.mkpath(path);
                continue;
            }
            ASSERT_TRUE(WriteFile(path, entry.value()));
        }
    }

    Tree Contents() const
    {
        Tree tree;
        QDirIterator it(Files.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            tree[QDir(Files.path()).relativeFilePath(info.filePath())] =
                info.isDir() ? Folder : ReadFile(info.filePath());
        }
        return tree;
    }

    Tree WithCurrentPreset(Tree tree) const
    {
        for (QByteArray &content : tree)
            if (content == Current)
                content = PresetFileImage(Bank, Form->CurrentPreset());
        return tree;
    }

    void Save(const std::optional<QString> &answer)
    {
        Dialogs.Answers.push_back(answer);
        Click(Form->SpeedButton17);
    }

    void Load(const std::optional<QString> &answer)
    {
        Dialogs.Answers.push_back(answer);
        Click(Form->SpeedButton8);
    }

    // What the assignment page shows: the item of each selector, then the master channel.
    std::vector<int> Shown() const
    {
        std::vector<int> shown;
        for (const QComboBox *selector : Form->ComboBox)
            shown.push_back(selector->currentIndex());
        shown.push_back(Form->kxpotlab4->State());
        return shown;
    }

    void ExpectFileErrorBox(const char *text) const
    {
        ASSERT_EQ(Boxes.Messages.size(), 1);
        EXPECT_EQ(Boxes.Messages[0].text, text);
        EXPECT_EQ(Boxes.Messages[0].caption, "File Error");
        EXPECT_EQ(Boxes.Messages[0].icon, QMessageBox::Critical);
        EXPECT_EQ(Boxes.Messages[0].buttons, QMessageBox::Ok);
    }

    FakeMidiServices Devices;
    QTemporaryDir Files;
};

// The selector items and the channel that show a preset image (channel byte 0..15).
std::vector<int> Showing(const QByteArray &preset)
{
    std::vector<int> shown;
    for (int i = 0; i < 32; ++i) {
        const auto byte = quint8(preset[i]);
        // Item 0 is "no controller", item c + 1 controller c; other bytes name no item.
        shown.push_back(byte == 0xFF ? 0 : byte < 128 ? byte + 1 : -1);
    }
    shown.push_back(quint8(preset[32]) + 1);
    return shown;
}

} // namespace

TEST_F(FileCommandsTest, SaveChoosesTheTargetAndBacksUpWhatItReplaces)
{
    struct Case
    {
        const char *name;
        QString chosen;
        Tree before, after;
    };
    // clang-format off
    const Case cases[] = {
        {"no extension, file there", "set1", {{"set1.TVN", Old}}, {{"set1.BAK", Old}, {"set1.TVN", Current}}},
        {"no extension, new file", "set1", {}, {{"set1.TVN", Current}}},
        {"TVN given, file there", "set1.TVN", {{"set1.TVN", Old}}, {{"set1.BAK", Old}, {"set1.TVN", Current}}},
        {"TVN given, new file", "set1.TVN", {}, {{"set1.TVN", Current}}},
        {"other extension is kept", "notes.txt", {{"notes.txt", Old}}, {{"notes.BAK", Old}, {"notes.txt", Current}}},
        {"a file named like the stem is no target", "set1", {{"set1", Old}}, {{"set1", Old}, {"set1.TVN", Current}}},
        {"the last dot decides", "a.b.TVN", {{"a.b.TVN", Old}}, {{"a.b.BAK", Old}, {"a.b.TVN", Current}}},
        {"a dot in the folder is no extension", "my.dir/set1", {{"my.dir/set1.TVN", Old}}, {{"my.dir", Folder}, {"my.dir/set1.BAK", Old}, {"my.dir/set1.TVN", Current}}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Populate(c.before);
        Save(Path(c.chosen));
        EXPECT_EQ(Contents(), WithCurrentPreset(c.after));
        EXPECT_TRUE(Boxes.Messages.isEmpty());
    }
}

TEST_F(FileCommandsTest, SecondSaveKeepsTheOldestBackup)
{
    Populate({{"set1.TVN", Old}});
    Save(Path("set1"));
    const QByteArray first = PresetFileImage(Bank, 0);
    Bank.SetByte(0, 3, 0x42);
    Save(Path("set1"));
    EXPECT_EQ(Contents(), (Tree{{"set1.BAK", Old}, {"set1.TVN", PresetFileImage(Bank, 0)}}));
    EXPECT_NE(PresetFileImage(Bank, 0), first);
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(FileCommandsTest, FailedSaveIsReportedAndLeavesNothingHalfWritten)
{
    struct Case
    {
        const char *name;
        QString chosen;
        Tree before, after;
        rlim_t diskFullAfter; // 0: no limit
    };
    // clang-format off
    const Case cases[] = {
        {"folder does not exist", "missing/set1", {}, {}, 0},
        {"below a regular file", "plain.txt/set1", {{"plain.txt", Old}}, {{"plain.txt", Old}}, 0},
        {"target is a folder", "sub.TVN", {{"sub.TVN", Folder}}, {{"sub.TVN", Folder}}, 0},
        // The previous file is already the backup when the write fails.
        {"disk full", "set1", {{"set1.TVN", Old}}, {{"set1.BAK", Old}}, 10},
        {"disk full, backup name taken", "set1", {{"set1.TVN", Old}, {"set1.BAK", Older}}, {{"set1.TVN", Old}, {"set1.BAK", Older}}, 10},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Messages.clear();
        Populate(c.before);
        std::optional<DiskFullAfter> full;
        if (c.diskFullAfter)
            full.emplace(c.diskFullAfter);
        Save(Path(c.chosen));
        full.reset();
        ExpectFileErrorBox("Write File Error - Abort Saving");
        EXPECT_EQ(Contents(), c.after);
    }
}

TEST_F(FileCommandsTest, BankFileLoadsItsFirstPresetIntoTheCurrentOneAndSendsNothing)
{
    QByteArray bank(TPresetBank::BankFileSize, '\0');
    for (int i = 0; i < bank.size(); ++i)
        bank[i] = char(i < 32 ? (i * 5) % 128 : 0x60 + i % 16);
    bank[7] = char(0xFF); // no controller
    bank[32] = 9;         // channel 10
    bank[33] = char(0xA5);
    Populate({{"bank.TVN", bank}});
    const QByteArray expected = BankImage(Bank).replace(0, 34, bank.left(34));
    Form->CheckBox38->setChecked(true); // "Send Params RT"
    const std::size_t shortBefore = Devices.shortMessages.size();

    Load(Path("bank.TVN"));

    EXPECT_EQ(BankImage(Bank), expected);
    EXPECT_EQ(Shown(), Showing(bank));
    EXPECT_TRUE(Boxes.Messages.isEmpty());
    EXPECT_TRUE(Devices.longMessages.empty());
    EXPECT_EQ(Devices.shortMessages.size(), shortBefore);
}

TEST_F(FileCommandsTest, ThirdPresetHighlightedLoadsAndSavesPresetThreeOnly)
{
    Click(Form->spdPar3);
    ASSERT_EQ(Form->CurrentPreset(), 2);
    QByteArray file(34, '\0');
    for (int i = 0; i < 32; ++i)
        file[i] = char(100 - i);
    file[31] = char(0xC8); // no controller the editor offers: kept, and no item shown
    file[32] = 15;         // channel 16
    file[33] = 0x5A;
    Populate({{"three.TVN", file}});
    const QByteArray expected = BankImage(Bank).replace(2 * 34, 34, file);

    Load(Path("three.TVN"));
    EXPECT_EQ(BankImage(Bank), expected);
    EXPECT_EQ(Shown(), Showing(file));
    EXPECT_EQ(Form->CurrentPreset(), 2);
    EXPECT_EQ(Form->spdPar3->CaptionColor(), QColor(255, 255, 0));
    for (TSpeedButton *button : {Form->spdPar1, Form->spdPar2, Form->spdPar4})
        EXPECT_NE(button->CaptionColor(), QColor(255, 255, 0))
            << button->objectName().toStdString();

    Bank.SetByte(2, 0, 0x11);
    Save(Path("copy"));
    EXPECT_EQ(Contents()["copy.TVN"], PresetFileImage(Bank, 2));
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(FileCommandsTest, ShortFileReplacesOnlyTheLeadingBytes)
{
    Populate({{"tiny.TVN", QByteArray("\x05\x06\x07", 3)}});
    QByteArray expected = PresetFileImage(Bank, 0);
    expected.replace(0, 3, QByteArray("\x05\x06\x07", 3));
    Load(Path("tiny.TVN"));
    EXPECT_EQ(PresetFileImage(Bank, 0), expected);
    EXPECT_EQ(Shown(), Showing(expected));
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(FileCommandsTest, FailedLoadIsReportedAndChangesNothing)
{
    // clang-format off
    const std::pair<const char *, QString> cases[] = {
        {"missing file", "absent.TVN"},
        {"a folder", "sub.TVN"},
        {"below a regular file", "plain.txt/set1.TVN"},
        {"a FIFO, which is not waited on", "fifo.TVN"},
    };
    // clang-format on
    for (const auto &[name, chosen] : cases) {
        SCOPED_TRACE(name);
        Boxes.Messages.clear();
        Populate({{"sub.TVN", Folder}, {"plain.txt", Old}});
        ASSERT_EQ(::mkfifo(qPrintable(Path("fifo.TVN")), 0600), 0);
        // The page shows something else than the preset: a load that shows it would undo it.
        Form->ComboBox[0]->setCurrentIndex(5);
        Form->kxpotlab4->SetState(12);
        const std::vector<int> shown = Shown();
        const QByteArray preset = PresetFileImage(Bank, 0);

        Load(Path(chosen));
        ExpectFileErrorBox("Read File Error - Abort Loading");
        EXPECT_EQ(PresetFileImage(Bank, 0), preset);
        EXPECT_EQ(Shown(), shown);
    }
}

TEST_F(FileCommandsTest, CancelLeavesFilesAndPresetsAlone)
{
    Populate({{"set1.TVN", Old}});
    Form->ComboBox[3]->setCurrentIndex(9);
    const std::vector<int> shown = Shown();
    const QByteArray presets = BankImage(Bank);

    Save(std::nullopt);
    Load(std::nullopt);

    EXPECT_EQ(Dialogs.Shown.size(), 2);
    EXPECT_EQ(Contents(), (Tree{{"set1.TVN", Old}}));
    EXPECT_EQ(BankImage(Bank), presets);
    EXPECT_EQ(Shown(), shown);
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(FileCommandsTest, DialogsAreSetUpAtEachUse)
{
    // As a previous use may have left them: another filter chosen, a name typed.
    Form->SaveDialog1.FilterIndex = 2;
    Form->SaveDialog1.FileName = Path("stale");
    Save(Path("first"));
    Form->SaveDialog1.FilterIndex = 2;
    Save(Path("second"));
    Populate({{"first.TVN", PresetFileImage(Bank, 0)}});
    const QString openedBefore = Form->OpenDialog1.FileName;
    Form->OpenDialog1.FilterIndex = 2;
    Load(Path("first.TVN"));
    Form->OpenDialog1.FilterIndex = 2;
    Load(std::nullopt);

    ASSERT_EQ(Dialogs.Shown.size(), 4);
    for (int use : {0, 1}) {
        SCOPED_TRACE(use);
        const TFileDialog &save = Dialogs.Shown[use];
        EXPECT_EQ(save.kind, TFileDialog::Save);
        EXPECT_EQ(save.Title, "Save Torvane Parameter File");
        EXPECT_EQ(save.FilterIndex, 1);
        EXPECT_EQ(save.FileName, "") << "the save dialog never proposes a name";
    }
    for (int use : {2, 3}) {
        SCOPED_TRACE(use);
        const TFileDialog &open = Dialogs.Shown[use];
        EXPECT_EQ(open.kind, TFileDialog::Open);
        EXPECT_EQ(open.Title, "Open Torvane Parameter File");
        EXPECT_EQ(open.FilterIndex, 1);
    }
    EXPECT_EQ(Dialogs.Shown[2].FileName, openedBefore);
    EXPECT_EQ(Dialogs.Shown[3].FileName, Path("first.TVN"))
        << "the open dialog offers the last file";
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}
