// The "Monitor" page: the lines of the editor's own messages as it decodes them (a transfer, a
// flash write, the Kessel pair, a Control Change), what came back in over the loopback, the
// filters, Pause, Clear and Save as text used as the user uses them, and a refresh per burst.
#include "app/MonitorPage.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "converter/MonitorLog.h"
#include "converter/MonitorModel.h"
#include "midi/MidiOut.h"
#include "support/FormTest.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QToolButton>

namespace {

class MonitorPageTest : public FormTest
{
protected:
    void OpenWithMonitor(const QString &firstPage)
    {
        Open(firstPage);
        Page = AddMonitorPage(*Form->PageControl1, *Form->Monitor, *Form->Input, Dialogs);
    }
    // Column of every row the page shows once it has caught up with count rows.
    QStringList Shown(int column, int count)
    {
        (void)QTest::qWaitFor([&] { return Page->Model->rowCount() >= count; });
        QStringList texts;
        for (int row = 0; row < Page->Model->rowCount(); ++row)
            texts << Page->Model->data(Page->Model->index(row, column), Qt::DisplayRole).toString();
        return texts;
    }

    MonitorPage *Page = nullptr;
};

TEST_F(MonitorPageTest, TheEditorsOwnMessagesAreDecoded)
{
    for (int i = 0; i < TForm1::OutputCount; ++i)
        Bank.SetByte(0, i, i == 4 ? 74 : 0xFF);
    OpenWithMonitor("Config");
    Click(Form->SpeedButton1);  // the transfer
    Click(Form->SpeedButton10); // write to flash
    ShowTab(*Form, "MIDI");
    Click(Form->SpeedButton5); // the Kessel pair
    Activate(Form->ComboBox[2], 8);
    Click(Form->Controller[2], Qt::RightButton); // output 3's Control Change, value 1
    ShowTab(*Form, "Monitor");

    QStringList expected = {"Kessel input 2", "Kessel merge off"}; // sent at start-up
    for (int n = 1; n <= TForm1::OutputCount; ++n)
        expected << QString::fromUtf8("Output %1 \u2192 %2")
                        .arg(n)
                        .arg(n == 5 ? "Sound Brightness (74)" : "none");
    expected << "Write to flash"
             << "Kessel input 2"
             << "Kessel merge off"
             << "Control Change Volume (coarse) (7) = 1";
    EXPECT_EQ(Shown(MonitorModel::MeaningColumn, int(expected.size())), expected);

    const QStringList bytes = Shown(MonitorModel::BytesColumn, 0);
    EXPECT_EQ(bytes[6], "F0 70 7E 00 34 04 0A F7");
    EXPECT_EQ(bytes[34], "F0 70 7E 00 70 07 0B F7");
    EXPECT_EQ(bytes.mid(35), QStringList({"CF 02", "BF 1F 00", "B0 07 01"}));
    EXPECT_EQ(Shown(MonitorModel::DirectionColumn, 0), QStringList(int(expected.size()), "Out"));
    const QStringList channels = Shown(MonitorModel::ChannelColumn, 0);
    EXPECT_EQ(channels.first(), "16");
    EXPECT_EQ(channels[2], "1");
    EXPECT_EQ(channels.last(), "1");
    // The transfer's 32 messages are paced 100 ms apart.
    const QStringList ms = Shown(MonitorModel::TimeColumn, 0);
    EXPECT_GE(ms[33].toInt() - ms[2].toInt(), 3100);
    EXPECT_EQ(Page->StatusLabel->text(), "38 lines");
}

TEST_F(MonitorPageTest, FiltersPauseSaveAndClearAsTheUserUsesThem)
{
    OpenWithMonitor("MIDI");
    Activate(Form->cmbOutput, Form->cmbOutput->findText("Virtual Loopback"));
    Page->ClearButton->click();
    ShowTab(*Form, "Monitor");
    Click(Form->SpeedButton5); // goes out, and comes back in
    Form->MidiOutput1->SendShortMessage(0x92, 60, 64);
    const QStringList all = {"CF 02", "BF 1F 00", "CF 02", "BF 1F 00", "92 3C 40"};
    ASSERT_EQ(Shown(MonitorModel::BytesColumn, 5), all);
    EXPECT_EQ(Shown(MonitorModel::DirectionColumn, 5),
              QStringList({"Out", "Out", "In", "In", "In"}));

    struct Case
    {
        int direction, kind, channel; // items of the three filters
        QStringList bytes;
    };
    const Case cases[] = {
        {1, 0, 0, {"CF 02", "BF 1F 00", "92 3C 40"}}, // in
        {2, 0, 0, {"CF 02", "BF 1F 00"}},             // out
        {0, 1, 0, {"92 3C 40"}},                      // notes
        {0, 2, 0, {"BF 1F 00", "BF 1F 00"}},          // Control Change
        {1, 0, 16, {"CF 02", "BF 1F 00"}},            // in, channel 16
        {0, 0, 3, {"92 3C 40"}},                      // channel 3
        {0, 0, 0, all},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.join(", ").toStdString());
        ChooseInList(Page->DirectionFilter, c.direction);
        ChooseInList(Page->KindFilter, c.kind);
        ChooseInList(Page->ChannelFilter, c.channel);
        EXPECT_EQ(Shown(MonitorModel::BytesColumn, 0), c.bytes);
    }

    // Paused: what passes meanwhile is counted, not kept.
    Click(Page->PauseButton);
    Form->MidiOutput1->SendShortMessage(0x93, 61, 64);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->Monitor->Skipped() == 1; }));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return Page->StatusLabel->text() ==
               QString::fromUtf8("5 lines · paused, 1 message not kept");
    })) << qPrintable(Page->StatusLabel->text());
    Click(Page->PauseButton);
    Page->Refresh();
    EXPECT_EQ(Shown(MonitorModel::BytesColumn, 0), all);
    EXPECT_EQ(Page->StatusLabel->text(), "5 lines");

    const QString file = QDir(Dir.path()).filePath("monitor.txt");
    Dialogs.Answers = {file, Dir.path()};
    Click(Page->SaveButton);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split('\n');
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], "ms\tDir\tCh\tBytes\tMeaning");
    EXPECT_TRUE(lines[5].endsWith("\tIn\t3\t92 3C 40\tNote On C4 (60) vel 64"))
        << qPrintable(lines[5]);
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(Dialogs.Shown.last().Filter, "Text files (*.txt)|*.txt|All Files (*.*)|*.*");
    Click(Page->SaveButton); // a folder by that name: the file cannot be written
    EXPECT_EQ(BoxTexts(), QStringList{"Write File Error - Abort Saving"});

    Click(Page->ClearButton);
    EXPECT_EQ(Page->Model->rowCount(), 0);
    EXPECT_EQ(Page->StatusLabel->text(), "0 lines");
}

TEST_F(MonitorPageTest, ABurstIsShownInOneRefreshAndAHiddenPageWaitsUntilShown)
{
    OpenWithMonitor("MIDI");
    ShowTab(*Form, "Monitor");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Page->Model->rowCount() == 2; }));
    QTest::qWait(100);
    int refreshes = Page->Refreshes();
    for (int value = 0; value < 500; ++value)
        Form->SendControlChange(0, 7, value & 0x7F);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Page->Model->rowCount() == 502; }));
    EXPECT_EQ(Page->Refreshes(), refreshes + 1);

    ShowTab(*Form, "MIDI");
    refreshes = Page->Refreshes();
    for (int value = 0; value < 10; ++value)
        Form->SendControlChange(0, 7, value);
    QTest::qWait(100);
    EXPECT_EQ(Page->Refreshes(), refreshes);
    ShowTab(*Form, "Monitor");
    EXPECT_EQ(Page->Model->rowCount(), 512);
    EXPECT_EQ(Page->Refreshes(), refreshes + 1);
}

} // namespace
