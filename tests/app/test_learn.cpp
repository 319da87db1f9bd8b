// Controller learning through real events on the "Virtual Loopback": the editor's output is the
// loopback, so a message the test sends through the output port arrives at the chosen input
// like one from a controller, and what the editor sends in answer comes back in on the wire.
// Learning is started and ended the ways the user does it: context menus, keys, shortcuts.
#include "controls/Kxpotlab.h"
#include "converter/ControllerLearn.h"
#include "converter/LearnControls.h"
#include "converter/MonitorLog.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "support/FormTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <functional>

namespace {

using Bytes = std::vector<std::uint8_t>;
const std::string SoundBrightnessOnOutput5 = "F0 70 7E 00 34 04 0A F7";

class LearnTest : public FormTest
{
protected:
    void SetUp() override
    {
        Open("Config");
        // The user picks the loopback as output; the input is on it already.
        Activate(Form->cmbOutput, Form->cmbOutput->findText("Virtual Loopback"));
        ASSERT_EQ(Form->cmbInput->currentText(), "Virtual Loopback");
        ASSERT_EQ(Form->MidiInput1->PortState(), psOpen);
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        Mark = Form->Monitor->End();
    }

    // The message arrives at the chosen input; returns once the editor has read it.
    void Arrive(const Bytes &message)
    {
        const std::uint64_t from = Form->Monitor->End();
        if (message.front() == 0xF0)
            Form->MidiOutput1->SendLongMessage(message.data(), std::uint16_t(message.size()));
        else
            Form->MidiOutput1->SendShortMessage(message[0], message[1],
                                                message.size() > 2 ? message[2] : 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Contains(Lines(Direction::In, from), message); }))
            << Hex(message) << " never arrived";
    }
    // The messages seen in one direction since the line numbered from, as hex.
    std::vector<std::string> Lines(Direction direction, std::uint64_t from) const
    {
        std::vector<std::string> lines;
        for (std::uint64_t n = std::max(from, Form->Monitor->FirstKept()); n < Form->Monitor->End();
             ++n)
            if (Form->Monitor->Line(n).direction == direction)
                lines.push_back(Hex(Form->Monitor->Line(n).Bytes()));
        return lines;
    }
    static bool Contains(const std::vector<std::string> &lines, const Bytes &message)
    {
        return std::find(lines.begin(), lines.end(), Hex(message)) != lines.end();
    }
    // What the editor itself sent since the test began.
    std::vector<std::string> Sent() const { return Lines(Direction::Out, Mark); }

    // "Learn controller" from output (0..31)'s selector, right-clicked.
    void LearnFromSelectorMenu(int output, const char *entry = "LearnController")
    {
        RequestContextMenu(Form->ComboBox[output]->lineEdit(), QContextMenuEvent::Mouse);
        ASSERT_TRUE(Form->LearnUi->OpenMenu());
        ASSERT_TRUE(ClickMenuEntry(Form->LearnUi->OpenMenu(), entry));
        ReactivateAfterMenu();
    }
    // The offscreen platform activates a menu when it shows it and nothing when it goes; a
    // window system gives the activation back to the window.
    void ReactivateAfterMenu()
    {
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    }
    void SetRealTime(bool on)
    {
        if (Form->CheckBox38->isChecked() != on)
            ClickCheckBox(Form->CheckBox38);
        ASSERT_EQ(Form->CheckBox38->isChecked(), on);
    }
    void FocusSelector(int output)
    {
        Form->ComboBox[output]->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Form->ComboBox[output]->hasFocus(); }));
    }
    void ExpectNotLearning()
    {
        EXPECT_EQ(Form->Learn->Output(), -1);
        EXPECT_FALSE(Form->Learn->Walking());
        for (QWidget *marker : Form->LearnUi->Markers)
            EXPECT_FALSE(marker->isVisible());
        EXPECT_FALSE(Form->LearnUi->Status->isVisible());
    }

    std::uint64_t Mark = 0;
};

TEST_F(LearnTest, ControlChange74WhileOutput5LearnsChoosesSoundBrightnessAsTheUserWould)
{
    SetRealTime(true);
    Mark = Form->Monitor->End();
    LearnFromSelectorMenu(4);
    ASSERT_EQ(Form->Learn->Output(), 4);

    Arrive({0xB3, 74, 100}); // any channel
    EXPECT_EQ(Form->ComboBox[4]->currentText(), "Sound Brightness ");
    EXPECT_EQ(Bank.GetByte(0, 4), 74);
    ExpectNotLearning();
    EXPECT_EQ(Sent(), std::vector<std::string>{SoundBrightnessOnOutput5});
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return Contains(Lines(Direction::In, Mark),
                        {0xF0, 0x70, 0x7E, 0x00, 0x34, 0x04, 0x0A, 0xF7});
    })) << "the parameter message never came back over the wire";
}

TEST_F(LearnTest, EveryWayInMarksTheOutputAndSaysWhatToDoWithoutMovingAnything)
{
    struct Way
    {
        const char *name;
        std::function<void()> start;
    };
    const auto fromMenu = [this] {
        ASSERT_TRUE(Form->LearnUi->OpenMenu());
        ASSERT_TRUE(ClickMenuEntry(Form->LearnUi->OpenMenu(), "LearnController"));
        ReactivateAfterMenu();
    };
    const Way ways[] = {
        {"right click on the selector", [this] { LearnFromSelectorMenu(4); }},
        {"context-menu key on the selector",
         [&, this] {
             FocusSelector(4);
             RequestContextMenu(Form->ComboBox[4]->lineEdit(), QContextMenuEvent::Keyboard);
             fromMenu();
         }},
        {"Shift+F10 on the selector",
         [&, this] {
             FocusSelector(4);
             QTest::keyClick(Form->ComboBox[4]->lineEdit(), Qt::Key_F10, Qt::ShiftModifier);
             fromMenu();
         }},
        {"Ctrl+L on the selector",
         [this] {
             FocusSelector(4);
             QTest::keyClick(Form->ComboBox[4]->lineEdit(), Qt::Key_L, Qt::ControlModifier);
         }},
        {"Ctrl + right click on the controller value",
         [&, this] {
             ShowTab(*Form, "MIDI");
             QTest::mousePress(Form->Controller[4], Qt::RightButton, Qt::ControlModifier);
             QTest::mouseRelease(Form->Controller[4], Qt::RightButton, Qt::ControlModifier);
             RequestContextMenu(Form->Controller[4], QContextMenuEvent::Mouse, Qt::ControlModifier);
             fromMenu();
         }},
        {"context-menu key on the controller value",
         [&, this] {
             ShowTab(*Form, "MIDI");
             RequestContextMenu(Form->Controller[4], QContextMenuEvent::Keyboard);
             fromMenu();
         }},
    };
    const QRect tabs = Form->PageControl1->tabBar()->geometry();
    const QRect page = Form->TabSheet2->geometry();
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        way.start();
        ASSERT_EQ(Form->Learn->Output(), 4);
        const std::array<QWidget *, 2> learning = {Form->ComboBox[4], Form->Controller[4]};
        for (int i = 0; i < 2; ++i) {
            const QWidget *marker = Form->LearnUi->Markers[i];
            EXPECT_FALSE(marker->isHidden());
            EXPECT_EQ(marker->parentWidget(), learning[i]->parentWidget());
            EXPECT_TRUE(marker->geometry().contains(learning[i]->geometry()));
        }
        EXPECT_TRUE(Form->LearnUi->Status->isVisible());
        EXPECT_EQ(Form->LearnUi->Status->toolTip(),
                  "Move a controller on Virtual Loopback, Esc cancels");
        EXPECT_EQ(Form->PageControl1->tabBar()->geometry(), tabs);
        EXPECT_EQ(Form->TabSheet2->geometry(), page);
        // The Ctrl + right click neither stepped the value nor sent it.
        EXPECT_EQ(Form->Controller[4]->State(), 0);
        EXPECT_TRUE(Sent().empty());

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        ExpectNotLearning();
        ShowTab(*Form, "Config");
    }

    // With no input open, the instruction says where to open one.
    Form->MidiInput1->Close();
    LearnFromSelectorMenu(4);
    EXPECT_EQ(Form->LearnUi->Status->toolTip(),
              "No MIDI input is open (see the MIDI page), Esc cancels");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    ExpectNotLearning();

    // Where the page has a context menu of its own, its entries follow.
    QAction pageEntry("Page entry");
    Form->TabSheet2->addAction(&pageEntry);
    Form->TabSheet2->setContextMenuPolicy(Qt::ActionsContextMenu);
    RequestContextMenu(Form->ComboBox[0]->lineEdit(), QContextMenuEvent::Mouse);
    ASSERT_TRUE(Form->LearnUi->OpenMenu());
    EXPECT_TRUE(Form->LearnUi->OpenMenu()->actions().contains(&pageEntry));
    Form->LearnUi->OpenMenu()->close();

    // A plain right click on a value still steps it up, and opens no menu.
    ShowTab(*Form, "MIDI");
    QTest::mouseClick(Form->Controller[4], Qt::RightButton);
    EXPECT_EQ(Form->Controller[4]->State(), 1);
    EXPECT_EQ(Form->LearnUi->OpenMenu(), nullptr);
}

TEST_F(LearnTest, EscapeAndChoosingAgainEndLearningWithNoChange)
{
    struct End
    {
        const char *name;
        std::function<void()> act;
    };
    const End ends[] = {
        {"Escape", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
        {"the menu item chosen again", [this] { LearnFromSelectorMenu(4); }},
        {"Ctrl+L again",
         [this] {
             FocusSelector(4);
             QTest::keyClick(Form->ComboBox[4]->lineEdit(), Qt::Key_L, Qt::ControlModifier);
         }},
    };
    SetRealTime(true);
    Activate(Form->ComboBox[4], 8); // "Volume (coarse)"
    Mark = Form->Monitor->End();
    Form->Learn->SetTimeout(std::chrono::minutes(1));
    for (const End &end : ends) {
        SCOPED_TRACE(end.name);
        LearnFromSelectorMenu(4);
        ASSERT_EQ(Form->Learn->Output(), 4);
        end.act();
        ExpectNotLearning();
        Arrive({0xB0, 74, 1});
        EXPECT_EQ(Form->ComboBox[4]->currentIndex(), 8);
        EXPECT_EQ(Bank.GetByte(0, 4), 7);
        EXPECT_TRUE(Sent().empty());
    }
}

TEST_F(LearnTest, LearnAllAssignsOutputsInARowFromDifferentControllers)
{
    SetRealTime(true);
    LearnFromSelectorMenu(0, "LearnAllOutputs");
    ASSERT_TRUE(Form->Learn->Walking());
    ASSERT_EQ(Form->Learn->Output(), 0);
    for (const Bytes &message : {Bytes{0xB0, 74, 10}, Bytes{0xB1, 7, 64}, Bytes{0xB2, 1, 3}})
        Arrive(message);
    EXPECT_EQ(Form->ComboBox[0]->currentText(), "Sound Brightness ");
    EXPECT_EQ(Form->ComboBox[1]->currentText(), "Volume (coarse)");
    EXPECT_EQ(Form->ComboBox[2]->currentText(), "Modulation Wheel (coarse)");
    EXPECT_EQ(Sent(),
              (std::vector<std::string>{"F0 70 7E 00 30 04 0A F7", "F0 70 7E 00 31 00 07 F7",
                                        "F0 70 7E 00 32 00 01 F7"}));
    EXPECT_EQ(Form->Learn->Output(), 3);
    EXPECT_TRUE(Form->LearnUi->Markers[0]->geometry().contains(Form->ComboBox[3]->geometry()));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    ExpectNotLearning();
    Arrive({0xB0, 5, 1});
    EXPECT_EQ(Form->ComboBox[3]->currentIndex(), 0);
    EXPECT_EQ(Sent().size(), 3u);
}

} // namespace
