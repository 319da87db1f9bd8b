// The "Config" page seen from the wire: what a selector change, a preset button and the channel
// dialog store in the preset bank and what reaches the converter.
#include "app/ExceptionReport.h"
#include "app/form_helpers.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "midi/FakeMidiServices.h"
#include "midi/MidiOut.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace {

const QColor Yellow(255, 255, 0);

// Picks an entry the way a user does: open the list, walk to the entry with the arrow keys,
// confirm with Enter. Walking the open list changes nothing; only Enter chooses.
void ChooseItem(QComboBox *selector, int item)
{
    selector->showPopup();
    QAbstractItemView *list = selector->view();
    const int from = std::max(selector->currentIndex(), 0);
    for (int k = from; k < item; ++k)
        QTest::keyClick(list, Qt::Key_Down);
    for (int k = item; k < from; ++k)
        QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
}

void Click(QWidget *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

class AssignmentPageTest : public FormTest
{
protected:
    // The window on the "Config" page, with what start-up sent (the patch-bay set-up) read and
    // cleared. midi = nullptr: the simulated devices.
    void Open(MidiServices *midi = nullptr)
    {
        form.reset(); // one window at a time owns the devices
        form = MakeForm(midi);
        form->show();
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        StartupMessages = Sent();
        Midi.clearSimulatorMessages();
    }

    std::vector<std::string> Sent()
    {
        std::vector<std::string> sent;
        for (const QString &message : SentToSimulator())
            sent.push_back(message.toStdString());
        return sent;
    }

    // Clicks "MIDI Channel Change"; `answer` plays the user while the dialog is up.
    void RunChannelDialog(const std::function<void(TForm10 &)> &answer)
    {
        bool answered = false;
        QTimer::singleShot(0, &ChannelDialog, [&] {
            EXPECT_TRUE(ChannelDialog.isVisible());
            answer(ChannelDialog);
            answered = true;
        });
        Click(form->SpeedButton12);
        EXPECT_TRUE(answered);
        EXPECT_FALSE(ChannelDialog.isVisible());
    }

    void FillPreset(int preset, std::uint8_t controller, std::uint8_t channelByte)
    {
        for (int i = 0; i < TForm1::OutputCount; ++i)
            Bank.SetByte(preset, i, controller);
        Bank.SetByte(preset, 32, channelByte);
    }

    // A device that refuses every long message, for the failure paths. Declared before the
    // window, which must close its ports before the devices go.
    FakeMidiServices Refusing = [] {
        FakeMidiServices refusing;
        refusing.outputs = {FakeMidiServices::outputNamed("Torvane Simulator")};
        refusing.longMessageResult = MidiErrNotReady;
        return refusing;
    }();
    std::unique_ptr<TForm1> form;
    std::vector<std::string> StartupMessages;
};

} // namespace

TEST_F(AssignmentPageTest, StartUpShowsNoControllerOnEveryOutputAndSendsNoParameter)
{
    Open();
    for (QComboBox *selector : form->ComboBox) {
        EXPECT_EQ(selector->count(), 129);
        EXPECT_EQ(selector->currentIndex(), 0);
        EXPECT_EQ(selector->currentText(), "----- none-------");
    }
    EXPECT_EQ(form->kxpotlab4->State(), 1);
    EXPECT_EQ(form->CurrentPreset(), 0);
    // Only the patch-bay set-up goes out at start-up, never a converter parameter.
    for (const std::string &message : StartupMessages)
        EXPECT_NE(message.substr(0, 2), "F0") << message;
}

TEST_F(AssignmentPageTest, ChoosingAControllerStoresItAndSendsItWithSendParamsRT)
{
    struct Case
    {
        const char *situation;
        int preset; // made current first
        int selector, item, master;
        bool rt;
        std::uint8_t before; // the output's byte before the choice
        std::uint8_t stored;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {"Volume (coarse) on output 1, channel 1",
         0,
         1,
         8,
         1,
         true,
         0xFF,
         7,
         {"F0 70 7E 00 30 00 07 F7"}},
        {"the same with Send Params RT off", 0, 1, 8, 1, false, 0xFF, 7, {}},
        {"Volume (coarse) on output 5, channel 3",
         0,
         5,
         8,
         3,
         true,
         0xFF,
         7,
         {"F0 70 7E 02 34 00 07 F7"}},
        {"no controller on output 5", 0, 5, 0, 1, true, 9, 0xFF, {"F0 70 7E 00 34 0F 0F F7"}},
        {"controller 74 on output 32, channel 16",
         0,
         32,
         75,
         16,
         true,
         0xFF,
         74,
         {"F0 70 7E 0F 4F 04 0A F7"}},
        {"into preset 3", 2, 2, 128, 1, true, 0xFF, 127, {"F0 70 7E 00 31 07 0F F7"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        for (int p = 0; p < 4; ++p)
            FillPreset(p, c.before, 0);
        Open();
        Click(std::array{form->spdPar1, form->spdPar2, form->spdPar3,
                         form->spdPar4}[std::size_t(c.preset)]);
        form->CheckBox38->setChecked(c.rt);
        form->kxpotlab4->SetState(c.master);
        Midi.clearSimulatorMessages();

        ChooseItem(form->ComboBox[c.selector - 1], c.item);

        EXPECT_EQ(form->ComboBox[c.selector - 1]->currentIndex(), c.item);
        EXPECT_EQ(Sent(), c.sent);
        for (int p = 0; p < 4; ++p)
            EXPECT_EQ(Bank.GetByte(p, c.selector - 1), p == c.preset ? c.stored : c.before)
                << "preset " << p + 1;
        // The master channel is only read: the preset's channel byte stays.
        EXPECT_EQ(Bank.GetByte(c.preset, 32), 0);
    }
}

TEST_F(AssignmentPageTest, TypingOverASelectorLeavesNoEntrySelected)
{
    Open();
    form->CheckBox38->setChecked(true);
    QComboBox *selector = form->ComboBox[3];
    selector->lineEdit()->selectAll();
    QTest::keyClick(selector->lineEdit(), Qt::Key_X);
    EXPECT_EQ(selector->currentIndex(), -1);
    EXPECT_EQ(selector->currentText(), "x");
    EXPECT_EQ(Bank.GetByte(0, 3), 0xFE);
    EXPECT_EQ(Sent(), std::vector<std::string>{"F0 70 7E 00 33 0F 0E F7"});
}

TEST_F(AssignmentPageTest, PresetButtonShowsItsPresetHighlightedAndSendsNothingWithoutRT)
{
    Open();
    Bank.SetByte(2, 0, 7);     // "Volume (coarse)"
    Bank.SetByte(2, 1, 0xFF);  // no controller
    Bank.SetByte(2, 2, 127);   // "Poly Operation"
    Bank.SetByte(2, 31, 0x90); // no entry: the selector stays empty
    Bank.SetByte(2, 32, 4);

    Click(form->spdPar3);

    EXPECT_EQ(form->ComboBox[0]->currentText(), "Volume (coarse)");
    EXPECT_EQ(form->ComboBox[1]->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox[2]->currentText(), "Poly Operation");
    EXPECT_EQ(form->ComboBox[31]->currentIndex(), -1);
    EXPECT_EQ(form->ComboBox[31]->currentText(), "");
    EXPECT_EQ(form->kxpotlab4->State(), 5);
    EXPECT_EQ(form->CurrentPreset(), 2);
    const std::array buttons{form->spdPar1, form->spdPar2, form->spdPar3, form->spdPar4};
    for (std::size_t n = 0; n < buttons.size(); ++n) {
        SCOPED_TRACE(n + 1);
        EXPECT_EQ(buttons[n]->CaptionColor(), n == 2 ? Yellow : QColor(Qt::black));
        EXPECT_EQ(buttons[n]->Transparent(), n != 2);
    }
    EXPECT_TRUE(Sent().empty());
}

TEST_F(AssignmentPageTest, MasterChannelShowsTheChannelBytePlusOneWithinOneToSixteen)
{
    const std::pair<std::uint8_t, int> cases[] = {{0, 1}, {4, 5}, {15, 16}, {16, 16}, {0xFF, 16}};
    Open();
    for (auto [byte, shown] : cases) {
        Bank.SetByte(1, 32, byte);
        Click(form->spdPar2);
        EXPECT_EQ(form->kxpotlab4->State(), shown) << "byte 32 = " << int(byte);
    }
}

TEST_F(AssignmentPageTest, AByteWithoutAnEntryStaysInThePresetUntilTheUserChangesThatOutput)
{
    Open();
    Bank.SetByte(1, 5, 0x90);
    Click(form->spdPar2);
    ASSERT_EQ(form->ComboBox[5]->currentIndex(), -1);

    // Other outputs change, the preset is shown again: output 6 keeps its byte.
    ChooseItem(form->ComboBox[4], 3);
    ChooseItem(form->ComboBox[6], 3);
    Click(form->spdPar2);
    EXPECT_EQ(Bank.GetByte(1, 5), 0x90);
    EXPECT_EQ(form->ComboBox[5]->currentIndex(), -1);
}

TEST_F(AssignmentPageTest, PresetButtonWithSendParamsRTReappliesAndSendsTheWholePreset)
{
    Open();
    for (int i = 0; i < TForm1::OutputCount; ++i)
        Bank.SetByte(1, i, std::uint8_t(i * 4));
    Bank.SetByte(1, 9, 0xFF);
    Bank.SetByte(1, 32, 2);
    Click(form->spdPar2);
    ASSERT_TRUE(Sent().empty());
    // The page drifts from the preset without storing (as a failed load would leave it).
    {
        const QSignalBlocker quiet(form->ComboBox[0]);
        form->ComboBox[0]->setCurrentIndex(100);
    }
    form->kxpotlab4->SetState(9);

    form->CheckBox38->setChecked(true);
    Click(form->spdPar2);

    EXPECT_EQ(form->ComboBox[0]->currentIndex(), 1);
    EXPECT_EQ(form->kxpotlab4->State(), 3);
    std::vector<std::string> expected;
    for (int i = 0; i < TForm1::OutputCount; ++i) {
        const int byte = i == 9 ? 0xFF : i * 4;
        char text[32];
        std::snprintf(text, sizeof text, "F0 70 7E 02 %02X %02X %02X F7", 0x30 + i, byte >> 4,
                      byte & 0x0F);
        expected.push_back(text);
    }
    EXPECT_EQ(Sent(), expected);
    EXPECT_FALSE(Progress.isVisible());
}

TEST_F(AssignmentPageTest, ChannelDialogStoresTheNewChannelAndTellsTheConverterOnTheOldOne)
{
    enum Answer { Ok, Cancel, Escape };
    struct Case
    {
        const char *situation;
        bool rt;
        Answer answer;
        std::uint8_t byte32; // of the current preset afterwards
        int master;          // shown afterwards
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {"Ok with Send Params RT", true, Ok, 9, 10, {"F0 70 7E 02 2F 00 09 F7"}},
        {"Ok without", false, Ok, 9, 10, {}},
        {"Cancel", true, Cancel, 0x55, 3, {}},
        {"Escape", true, Escape, 0x55, 3, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        Open();
        Bank.SetByte(3, 32, 2);
        Click(form->spdPar4);
        Bank.SetByte(3, 32, 0x55); // shows whether the dialog wrote byte 32
        form->CheckBox38->setChecked(c.rt);
        int shownAsActual = 0;

        RunChannelDialog([&](TForm10 &dialog) {
            shownAsActual = dialog.potoldcan->State();
            dialog.potnewcan->SetState(10);
            if (c.answer == Ok)
                Click(dialog.BitBtnOk);
            else if (c.answer == Cancel)
                Click(dialog.BitBtnCancel);
            else
                QTest::keyClick(&dialog, Qt::Key_Escape);
        });

        EXPECT_EQ(shownAsActual, 3);
        EXPECT_EQ(Bank.GetByte(3, 32), c.byte32);
        EXPECT_EQ(Bank.GetByte(0, 32), 0);
        EXPECT_EQ(form->kxpotlab4->State(), c.master);
        EXPECT_EQ(Sent(), c.sent);
    }
}

TEST_F(AssignmentPageTest, ChannelDialogKeepsTheNewChannelTheUserLeftThere)
{
    Open();
    form->CheckBox38->setChecked(true);
    int offered = 0;
    RunChannelDialog([&](TForm10 &dialog) {
        offered = dialog.potnewcan->State();
        dialog.potnewcan->SetState(10);
        Click(dialog.BitBtnCancel);
    });
    EXPECT_EQ(offered, 1);

    // Cancelled, yet the 10 stays; Ok on it then moves the converter from 1 to 10.
    RunChannelDialog([&](TForm10 &dialog) {
        offered = dialog.potnewcan->State();
        Click(dialog.BitBtnOk);
    });
    EXPECT_EQ(offered, 10);
    EXPECT_EQ(Sent(), std::vector<std::string>{"F0 70 7E 00 2F 00 09 F7"});

    // Ok on the same channel still stores and sends, now addressed to channel 10.
    RunChannelDialog([&](TForm10 &dialog) {
        offered = dialog.potnewcan->State();
        Click(dialog.BitBtnOk);
    });
    EXPECT_EQ(offered, 10);
    EXPECT_EQ(Sent(),
              (std::vector<std::string>{"F0 70 7E 00 2F 00 09 F7", "F0 70 7E 09 2F 00 09 F7"}));
    EXPECT_EQ(form->kxpotlab4->State(), 10);
}

TEST_F(AssignmentPageTest, AFailedSendKeepsWhatWasStoredAndReportsTheError)
{
    Open(&Refusing);
    form->CheckBox38->setChecked(true);
    form->kxpotlab4->SetState(3);

    ChooseItem(form->ComboBox[4], 8);
    EXPECT_EQ(Bank.GetByte(0, 4), 7);

    RunChannelDialog([](TForm10 &dialog) {
        dialog.potnewcan->SetState(10);
        Click(dialog.BitBtnOk);
    });
    // Byte 32 already holds the new channel; the label still shows the old one.
    EXPECT_EQ(Bank.GetByte(0, 32), 9);
    EXPECT_EQ(form->kxpotlab4->State(), 3);

    ASSERT_EQ(Boxes.Messages.size(), 2);
    for (const MessageRequest &box : Boxes.Messages)
        EXPECT_EQ(box.text, ExceptionReportText(form->MidiOutput1->ErrorText(MidiErrNotReady)));
    EXPECT_TRUE(Refusing.longMessages.empty());
}

TEST_F(AssignmentPageTest, TheCurrentPresetDoesNotDependOnWhatIsOnScreen)
{
    Open();
    Click(form->spdPar3);
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    EXPECT_EQ(form->CurrentPreset(), 2);
    form->hide();
    EXPECT_EQ(form->CurrentPreset(), 2);

    // With no button highlighted (only code can do that), preset 1 is current.
    form->show();
    for (TSpeedButton *button : {form->spdPar1, form->spdPar2, form->spdPar3, form->spdPar4})
        button->SetCaptionColor(Qt::black);
    EXPECT_EQ(form->CurrentPreset(), 0);
}
