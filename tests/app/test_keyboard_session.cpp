// A whole session at the keyboard alone, through real key events on the "Virtual Loopback"
// (what the editor sends comes back in at its input): choose the devices, edit a preset, send
// it, learn a controller, save the preset to a file. Tab, the arrows, Space and Enter, Ctrl+Tab
// between pages and Shift+F10 for a context menu do what the pointer would.
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "converter/LearnControls.h"
#include "converter/MonitorLog.h"
#include "converter/Protocol.h"
#include "support/FormTest.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

namespace {

void Key(int key, Qt::KeyboardModifiers mods = {})
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
}

// Tab until the control (or its edit field) has the focus; the walk goes round the page.
void TabTo(QWidget *control)
{
    const auto there = [control] { return control->isAncestorOf(QApplication::focusWidget()); };
    for (int i = 0; i < 100 && !there() && !control->hasFocus(); ++i)
        Key(Qt::Key_Tab);
    ASSERT_TRUE(there() || control->hasFocus()) << control->objectName().toStdString();
}

void ArrowTo(QComboBox *selector, int item)
{
    TabTo(selector);
    while (selector->currentIndex() != item)
        Key(selector->currentIndex() < item ? Qt::Key_Down : Qt::Key_Up);
}

// A window system gives the activation back to the window when a window it opened goes; the
// offscreen platform leaves it with the progress window or the menu.
void Reactivate(QWidget *window)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

TEST_F(FormTest, KeyboardAloneChoosesEditsSendsLearnsAndSaves)
{
    Open("MIDI");
    Reactivate(Form.get());
    ArrowTo(Form->cmbOutput, Form->cmbOutput->findText("Virtual Loopback"));
    ArrowTo(Form->cmbInput, Form->cmbInput->findText("Virtual Loopback"));

    Key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier); // to "Config"
    const int volume = protocol::ItemForPresetByte(7);
    ArrowTo(Form->ComboBox[0], volume);
    TabTo(Form->SpeedButton1);
    Key(Qt::Key_Space);
    Reactivate(Form.get());
    bool sent = false; // output 1's controller is 7
    for (std::uint64_t n = Form->Monitor->FirstKept(); n < Form->Monitor->End(); ++n)
        sent |= Hex(Form->Monitor->Line(n).Bytes()) == "F0 70 7E 00 30 00 07 F7";
    EXPECT_TRUE(sent);

    // Output 2 learns from output 1's value, stepped up: Control Change 7 on channel 1.
    Key(Qt::Key_Tab, Qt::ControlModifier); // to "MIDI"
    TabTo(Form->Controller[1]);
    Key(Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(Form->LearnUi->OpenMenu());
    QTest::keyClick(Form->LearnUi->OpenMenu(), Qt::Key_Down);
    QTest::keyClick(Form->LearnUi->OpenMenu(), Qt::Key_Return);
    Reactivate(Form.get());
    TabTo(Form->Controller[0]);
    Key(Qt::Key_PageUp);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Form->ComboBox[1]->currentIndex() == volume; }, 20000));

    const QString file = QDir(Dir.path()).filePath("keys.TVN");
    Dialogs.Answers.push_back(file);
    Key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    TabTo(Form->SpeedButton17);
    Key(Qt::Key_Return);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.read(2), QByteArray("\x07\x07"));
}

} // namespace
