// SysEx files through the window on real files: saved as exactly what a transfer sends, read
// back into the current preset by the open dialog or a drop, and refused whole when broken.
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "support/FormTest.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMimeData>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

namespace {

class SysexFilesTest : public FormTest
{
protected:
    SysexFilesTest()
    {
        for (int i = 0; i < 34; ++i)
            Bank.SetByte(1, i, std::uint8_t(i == 5 ? 0xFF : i == 9 ? 0x90 : i * 3));
        Bank.SetByte(1, 32, 4);
        form = MakeForm();
        form->show();
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        QTest::mouseClick(form->spdPar2, Qt::LeftButton);
        form->CheckBox38->setChecked(true); // loads still send nothing
        Midi.waitIdle();
        Midi.clearSimulatorMessages();
    }

    QString Path(const QString &name) const { return Files.Path(name); }
    void Write(const QString &name, const QByteArray &bytes) const
    {
        ASSERT_TRUE(Files.Write(name, bytes));
    }
    QByteArray Read(const QString &name) const { return Files.Read(name); }
    void Run(TSpeedButton *button, const QString &name, int filter)
    {
        Dialogs.Answers.push_back(Path(name));
        Dialogs.Filters.push_back(filter);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The preset's bytes and what the page shows of them.
    std::pair<PresetImage, std::vector<int>> Seen() const
    {
        std::vector<int> shown{form->kxpotlab4->State()};
        for (const QComboBox *selector : form->ComboBox)
            shown.push_back(selector->currentIndex());
        return {ReadPreset(Bank, 1), shown};
    }

    TempFolder Files;
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(SysexFilesTest, SavedSysexIsWhatATransferSendsAndOpensBackIntoThePreset)
{
    StepTo(form->kxpotlab4, 7); // the channel shown, not the one stored, is the one sent
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    QTest::mouseClick(form->SpeedButton10, Qt::LeftButton);
    const std::vector<std::string> sent = SentToSimulator();
    ASSERT_EQ(sent.size(), 33u);
    QByteArray transfer;
    for (int i = 0; i < 32; ++i)
        transfer += QByteArray::fromHex(QByteArray::fromStdString(sent[i]));
    const QByteArray flash = QByteArray::fromHex(QByteArray::fromStdString(sent[32]));
    Write("old.syx", "previous");

    const struct
    {
        const char *chosen, *written;
        int filter;
        QByteArray bytes;
    } saves[] = {{"set1", "set1.syx", 3, transfer},
                 {"flash", "flash.syx", 4, transfer + flash},
                 {"dump.bin", "dump.bin", 3, transfer},
                 {"old.syx", "old.syx", 3, transfer}};
    for (const auto &save : saves) {
        Run(form->SpeedButton17, save.chosen, save.filter);
        EXPECT_EQ(Read(save.written).toHex(' '), save.bytes.toHex(' ')) << save.written;
    }
    EXPECT_EQ(Read("old.BAK"), "previous");

    // Back in, after the preset changed: bytes 0..31 and the channel sent; byte 33 stays.
    const PresetImage saved = ReadPreset(Bank, 1);
    for (int i = 0; i < 34; ++i)
        Bank.SetByte(1, i, 0x44);
    Midi.clearSimulatorMessages();
    Run(form->SpeedButton8, "set1.syx", 1);
    PresetImage expected = saved;
    expected[32] = 6;
    expected[33] = 0x44;
    EXPECT_EQ(ReadPreset(Bank, 1), expected);
    EXPECT_TRUE(SentToSimulator().empty());
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(SysexFilesTest, OpenDialogReadsSysexByFilterOrExtensionAndNotesWhatItSkipped)
{
    const QByteArray sysex = QByteArray::fromHex("F0707E0A300007F7 F0707E0A4F0F0FF7");
    const struct
    {
        const char *name;
        int filter;
        QByteArray bytes;
        const char *note; // nullptr: none
    } cases[] = {
        {"a.syx", 1, sysex, nullptr},
        {"B.SYX", 2, sysex + QByteArray::fromHex("F0707E0A70070BF7"),
         "Skipped 1 of 3 messages: they set nothing in the preset."},
        {"dump.bin", 3, QByteArray::fromHex("F043F7") + sysex,
         "Skipped 1 of 3 messages: they set nothing in the preset."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Messages.clear();
        Bank.SetByte(1, 0, 0x11);
        Bank.SetByte(1, 31, 0x11);
        Write(c.name, c.bytes);
        PresetImage expected = ReadPreset(Bank, 1);
        expected[0] = 7;
        expected[31] = 0xFF;
        expected[32] = 10;

        Run(form->SpeedButton8, c.name, c.filter);

        EXPECT_EQ(Seen().first, expected);
        EXPECT_EQ(form->ComboBox[0]->currentIndex(), 8);
        EXPECT_EQ(form->kxpotlab4->State(), 11);
        EXPECT_TRUE(SentToSimulator().empty());
        ASSERT_EQ(Boxes.Messages.size(), c.note ? 1 : 0);
        if (c.note) {
            EXPECT_EQ(Boxes.Messages[0].text, c.note);
            EXPECT_EQ(Boxes.Messages[0].caption, "SysEx File");
            EXPECT_EQ(Boxes.Messages[0].icon, QMessageBox::Information);
        }
    }
}

TEST_F(SysexFilesTest, BrokenSysexIsRefusedWithItsReasonAndChangesNothing)
{
    QDir().mkpath(Path("folder.syx"));
    ASSERT_TRUE(Files.MakeFifo("fifo.syx") && Files.Sized("big.syx", 1024 * 1024 + 1));
    const struct
    {
        const char *name;
        QByteArray bytes; // empty with no name written: as it is on disk
        const char *text;
    } cases[] = {
        {"empty.syx", "", "The file holds no SysEx message. Nothing was loaded."},
        {"cut.syx", QByteArray::fromHex("F0707E0030"),
         "The SysEx message at offset 0 is cut short: the file ends before its closing F7. "
         "Nothing was loaded."},
        {"status.syx", QByteArray::fromHex("F0707E00308007F7"),
         "The SysEx message at offset 0 holds the byte 80 at offset 5; only bytes 00 to 7F may "
         "stand inside a message. Nothing was loaded."},
        {"stray.syx", QByteArray::fromHex("F0F7 0D0A"),
         "The byte 0D at offset 2 stands outside any SysEx message (each starts with F0 and ends "
         "with F7). Nothing was loaded."},
        {"folder.syx", {}, "Read File Error - Abort Loading"},
        {"missing.syx", {}, "Read File Error - Abort Loading"},
        {"fifo.syx", {}, "Read File Error - Abort Loading"}, // at once: no writer is waited for
        {"big.syx",
         {},
         "The file is larger than 1 MiB, the most a SysEx file is read up to (a converter "
         "transfer takes 264 bytes). Nothing was loaded."},
    };
    form->ComboBox[2]->setCurrentIndex(40); // shown, not stored: a refused load shows nothing
    const auto before = Seen();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Messages.clear();
        if (!c.bytes.isNull())
            Write(c.name, c.bytes);
        Run(form->SpeedButton8, c.name, 3);
        ASSERT_EQ(Boxes.Messages.size(), 1);
        EXPECT_EQ(Boxes.Messages[0].text, c.text);
        EXPECT_EQ(Boxes.Messages[0].caption, "File Error");
        EXPECT_EQ(Boxes.Messages[0].icon, QMessageBox::Critical);
        EXPECT_EQ(Seen(), before);
        EXPECT_FALSE(form->Assignments->History().Stack().canUndo());
    }
}

TEST_F(SysexFilesTest, ADroppedParameterOrSysexFileLoadsIntoTheCurrentPreset)
{
    Write("drop.TVN", QByteArray(34, 0x0C));
    Write("drop.syx", QByteArray::fromHex("F0707E03300001F7"));
    Write("notes.txt", QByteArray(34, 0x21));
    const auto url = [this](const char *name) { return QUrl::fromLocalFile(Path(name)); };
    const struct
    {
        const char *name;
        QList<QUrl> urls;
        bool taken;
        std::uint8_t byte0, byte32;
    } cases[] = {
        {"parameter file", {url("drop.TVN")}, true, 0x0C, 0x0C},
        {"SysEx file", {url("drop.syx")}, true, 0x01, 0x03},
        {"another kind", {url("notes.txt")}, false, 0, 4},
        {"two files", {url("drop.TVN"), url("drop.syx")}, false, 0, 4},
        {"not a local file", {QUrl("https://example.org/drop.TVN")}, false, 0, 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Bank.SetByte(1, 0, 0);
        Bank.SetByte(1, 32, 4);
        form->ApplyPreset(1);
        QMimeData data;
        data.setUrls(c.urls);
        const QPoint at(250, 200);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), c.taken);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &drop);
        EXPECT_EQ(Bank.GetByte(1, 0), c.byte0);
        EXPECT_EQ(Bank.GetByte(1, 32), c.byte32);
        EXPECT_EQ(form->kxpotlab4->State(), c.taken ? c.byte32 + 1 : 5);
    }
    EXPECT_TRUE(SentToSimulator().empty());
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}
