// The "Config" page seen from the wire: what a selector change, a preset button and the channel
// dialog store in the preset bank and what reaches the converter.
#include "app/ExceptionReport.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "midi/MidiOut.h"
#include "support/FakeMidiServices.h"
#include "support/FormTest.h"

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

class AssignmentPageTest : public FormTest
{
protected:
    // The window on the "Config" page. midi = nullptr: the simulated devices.
    void Open(MidiServices *midi = nullptr) { FormTest::Open("Config", midi); }
    std::vector<std::string> Sent() { return SentToSimulator(); }

    // Clicks "MIDI Channel Change"; `answer` plays the user while the dialog is up.
    void RunChannelDialog(const std::function<void(TForm10 &)> &answer)
    {
        bool answered = false;
        QTimer::singleShot(0, &ChannelDialog, [&] {
            EXPECT_TRUE(ChannelDialog.isVisible());
            answer(ChannelDialog);
            answered = true;
        });
        Click(Form->SpeedButton12);
        EXPECT_TRUE(answered);
        EXPECT_FALSE(ChannelDialog.isVisible());
    }

    void FillPreset(int preset, std::uint8_t controller, std::uint8_t channelByte)
    {
        for (int i = 0; i < TForm1::OutputCount; ++i)
            Bank.SetByte(preset, i, controller);
        Bank.SetByte(preset, 32, channelByte);
    }

    // A device that refuses every long message, for the failure paths.
    FakeMidiServices Refusing = [] {
        FakeMidiServices refusing;
        refusing.outputs = {FakeMidiServices::outputNamed("Torvane Simulator")};
        refusing.longMessageResult = MidiErrNotReady;
        return refusing;
    }();
};

} // namespace

TEST_F(AssignmentPageTest, StartUpShowsNoControllerOnEveryOutputAndSendsNoParameter)
{
    const std::vector<std::string> startup = FormTest::Open("Config");
    for (QComboBox *selector : Form->ComboBox) {
        EXPECT_EQ(selector->count(), 129);
        EXPECT_EQ(selector->currentIndex(), 0);
        EXPECT_EQ(selector->currentText(), "----- none-------");
    }
    EXPECT_EQ(Form->kxpotlab4->State(), 1);
    EXPECT_EQ(Form->CurrentPreset(), 0);
    // Only the patch-bay set-up goes out at start-up, never a converter parameter.
    for (const std::string &message : startup)
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
    // clang-format off
    const Case cases[] = {
        {"Volume (coarse) on output 1, channel 1", 0, 1, 8, 1, true, 0xFF, 7, {"F0 70 7E 00 30 00 07 F7"}},
        {"the same with Send Params RT off", 0, 1, 8, 1, false, 0xFF, 7, {}},
        {"Volume (coarse) on output 5, channel 3", 0, 5, 8, 3, true, 0xFF, 7, {"F0 70 7E 02 34 00 07 F7"}},
        {"no controller on output 5", 0, 5, 0, 1, true, 9, 0xFF, {"F0 70 7E 00 34 0F 0F F7"}},
        {"controller 74 on output 32, channel 16", 0, 32, 75, 16, true, 0xFF, 74, {"F0 70 7E 0F 4F 04 0A F7"}},
        {"into preset 3", 2, 2, 128, 1, true, 0xFF, 127, {"F0 70 7E 00 31 07 0F F7"}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        for (int p = 0; p < 4; ++p)
            FillPreset(p, c.before, 0);
        Open();
        Click(std::array{Form->spdPar1, Form->spdPar2, Form->spdPar3,
                         Form->spdPar4}[std::size_t(c.preset)]);
        Form->CheckBox38->setChecked(c.rt);
        StepTo(Form->kxpotlab4, c.master);
        Midi.clearSimulatorMessages();

        ChooseInList(Form->ComboBox[c.selector - 1], c.item);

        EXPECT_EQ(Form->ComboBox[c.selector - 1]->currentIndex(), c.item);
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
    Form->CheckBox38->setChecked(true);
    QComboBox *selector = Form->ComboBox[3];
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

    Click(Form->spdPar3);

    EXPECT_EQ(Form->ComboBox[0]->currentText(), "Volume (coarse)");
    EXPECT_EQ(Form->ComboBox[1]->currentIndex(), 0);
    EXPECT_EQ(Form->ComboBox[2]->currentText(), "Poly Operation");
    EXPECT_EQ(Form->ComboBox[31]->currentIndex(), -1);
    EXPECT_EQ(Form->ComboBox[31]->currentText(), "");
    EXPECT_EQ(Form->kxpotlab4->State(), 5);
    EXPECT_EQ(Form->CurrentPreset(), 2);
    const std::array buttons{Form->spdPar1, Form->spdPar2, Form->spdPar3, Form->spdPar4};
    for (std::size_t n = 0; n < buttons.size(); ++n) {
        SCOPED_TRACE(n + 1);
        EXPECT_EQ(buttons[n]->CaptionColor(), n == 2 ? Yellow : QColor(Qt::black));
        EXPECT_EQ(buttons[n]->Transparent(), n != 2);
    }
    EXPECT_TRUE(Sent().empty());
}

TEST_F(AssignmentPageTest, MasterChannelShowsTheChannelBytePlusOneWithinOneToSixteen)
{
    // clang-format off
    const std::pair<std::uint8_t, int> cases[] = {
        {0, 1},
        {4, 5},
        {15, 16},
        {16, 16},
        {0xFF, 16},
    };
    // clang-format on
    Open();
    for (auto [byte, shown] : cases) {
        Bank.SetByte(1, 32, byte);
        Click(Form->spdPar2);
        EXPECT_EQ(Form->kxpotlab4->State(), shown) << "byte 32 = " << int(byte);
    }
}

TEST_F(AssignmentPageTest, AByteWithoutAnEntryStaysInThePresetUntilTheUserChangesThatOutput)
{
    Open();
    Bank.SetByte(1, 5, 0x90);
    Click(Form->spdPar2);
    ASSERT_EQ(Form->ComboBox[5]->currentIndex(), -1);

    // Other outputs change, the preset is shown again: output 6 keeps its byte.
    ChooseInList(Form->ComboBox[4], 3);
    ChooseInList(Form->ComboBox[6], 3);
    Click(Form->spdPar2);
    EXPECT_EQ(Bank.GetByte(1, 5), 0x90);
    EXPECT_EQ(Form->ComboBox[5]->currentIndex(), -1);
}

TEST_F(AssignmentPageTest, PresetButtonWithSendParamsRTReappliesAndSendsTheWholePreset)
{
    Open();
    for (int i = 0; i < TForm1::OutputCount; ++i)
        Bank.SetByte(1, i, std::uint8_t(i * 4));
    Bank.SetByte(1, 9, 0xFF);
    Bank.SetByte(1, 32, 2);
    Click(Form->spdPar2);
    ASSERT_TRUE(Sent().empty());
    // The page drifts from the preset without storing (as a failed load would leave it).
    {
        const QSignalBlocker quiet(Form->ComboBox[0]);
        Form->ComboBox[0]->setCurrentIndex(100);
    }
    Form->kxpotlab4->SetState(9);

    Form->CheckBox38->setChecked(true);
    Click(Form->spdPar2);

    EXPECT_EQ(Form->ComboBox[0]->currentIndex(), 1);
    EXPECT_EQ(Form->kxpotlab4->State(), 3);
    std::vector<std::string> expected;
    for (int i = 0; i < TForm1::OutputCount; ++i) {
        const int byte = i == 9 ? 0xFF : i * 4;
        expected.push_back(Hex({0xF0, 0x70, 0x7E, 0x02, 0x30 + i, byte >> 4, byte & 0x0F, 0xF7}));
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
    // clang-format off
    const Case cases[] = {
        {"Ok with Send Params RT", true, Ok, 9, 10, {"F0 70 7E 02 2F 00 09 F7"}},
        {"Ok without", false, Ok, 9, 10, {}},
        {"Cancel", true, Cancel, 0x55, 3, {}},
        {"Escape", true, Escape, 0x55, 3, {}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        Open();
        Bank.SetByte(3, 32, 2);
        Click(Form->spdPar4);
        Bank.SetByte(3, 32, 0x55); // shows whether the dialog wrote byte 32
        Form->CheckBox38->setChecked(c.rt);
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
        EXPECT_EQ(Form->kxpotlab4->State(), c.master);
        EXPECT_EQ(Sent(), c.sent);
    }
}

TEST_F(AssignmentPageTest, ChannelDialogKeepsTheNewChannelTheUserLeftThere)
{
    Open();
    Form->CheckBox38->setChecked(true);
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
    EXPECT_EQ(Form->kxpotlab4->State(), 10);
}

TEST_F(AssignmentPageTest, AFailedSendKeepsWhatWasStoredAndReportsTheError)
{
    Open(&Refusing);
    Form->CheckBox38->setChecked(true);
    StepTo(Form->kxpotlab4, 3);

    ChooseInList(Form->ComboBox[4], 8);
    EXPECT_EQ(Bank.GetByte(0, 4), 7);

    RunChannelDialog([](TForm10 &dialog) {
        dialog.potnewcan->SetState(10);
        Click(dialog.BitBtnOk);
    });
    // Byte 32 already holds the new channel; the label still shows the old one.
    EXPECT_EQ(Bank.GetByte(0, 32), 9);
    EXPECT_EQ(Form->kxpotlab4->State(), 3);

    ASSERT_EQ(Boxes.Messages.size(), 2);
    for (const MessageRequest &box : Boxes.Messages)
        EXPECT_EQ(box.text, ExceptionReportText(Form->MidiOutput1->ErrorText(MidiErrNotReady)));
    EXPECT_TRUE(Refusing.longMessages.empty());
}

TEST_F(AssignmentPageTest, TheCurrentPresetDoesNotDependOnWhatIsOnScreen)
{
    Open();
    Click(Form->spdPar3);
    Form->PageControl1->setCurrentWidget(Form->TabSheet3);
    EXPECT_EQ(Form->CurrentPreset(), 2);
    Form->hide();
    EXPECT_EQ(Form->CurrentPreset(), 2);
}
