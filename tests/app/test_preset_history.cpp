// Undo and redo of preset edits, driven by the keys and the page's context menu: what the
// selectors and the master label show, what the bank holds, and what reaches the converter.
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "converter/CompareDialog.h"
#include "support/FormTest.h"
#include "support/TempFolder.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

using Messages = std::vector<std::string>;

const QKeyCombination Undo(Qt::ControlModifier, Qt::Key_Z);
const QKeyCombination RedoShiftZ(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
const QKeyCombination RedoY(Qt::ControlModifier, Qt::Key_Y);

class PresetHistoryTest : public FormTest
{
protected:
    PresetHistoryTest()
    {
        form = MakeForm();
        form->show();
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        SentToSimulator();
        Midi.clearSimulatorMessages();
    }

    // The user gives the selector the focus and picks item with the keys of its list.
    void Choose(int output, int item)
    {
        QComboBox *selector = form->ComboBox[output];
        selector->setFocus();
        selector->showPopup();
        for (int k = selector->currentIndex(); k < item; ++k)
            QTest::keyClick(selector->view(), Qt::Key_Down);
        QTest::keyClick(selector->view(), Qt::Key_Return);
    }
    void Press(QKeyCombination keys)
    {
        // As the window system does when a dialog has closed: the window is active again.
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : form.get(), keys.key(), keys.keyboardModifiers());
    }
    std::vector<std::string> Sent()
    {
        const std::vector<std::string> sent = SentToSimulator();
        Midi.clearSimulatorMessages();
        return sent;
    }

    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(PresetHistoryTest, SelectorChangesGoBackAndForthAndAreSentWithSendParamsRT)
{
    const struct
    {
        bool rt;
        QKeyCombination redo;
    } cases[] = {{true, RedoShiftZ}, {false, RedoY}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rt);
        form->Assignments->History().Stack().clear();
        form->CheckBox38->setChecked(c.rt);
        Choose(4, 8);  // controller 7
        Choose(4, 11); // controller 10
        Sent();
        // Each step: the key, then the selector's item, byte 4 and what the converter got.
        const struct
        {
            QKeyCombination keys;
            int item;
            const char *sent; // nullptr: nothing
        } steps[] = {
            {Undo, 8, "F0 70 7E 00 34 00 07 F7"},
            {Undo, 0, "F0 70 7E 00 34 0F 0F F7"},
            {Undo, 0, nullptr}, // nothing left: and the edit field's own undo must not run
            {c.redo, 8, "F0 70 7E 00 34 00 07 F7"},
            {c.redo, 11, "F0 70 7E 00 34 00 0A F7"},
            {c.redo, 11, nullptr},
        };
        for (const auto &step : steps) {
            Press(step.keys);
            EXPECT_EQ(form->ComboBox[4]->currentIndex(), step.item);
            EXPECT_EQ(form->ComboBox[4]->currentText(), form->ComboBox[4]->itemText(step.item));
            EXPECT_EQ(Bank.GetByte(0, 4), std::uint8_t(step.item - 1));
            EXPECT_EQ(Sent(), step.sent && c.rt ? Messages{step.sent} : Messages{});
        }
        Press(Undo);
        Press(Undo);
    }
}

TEST_F(PresetHistoryTest, ChannelChangesAreUndoneOnTheChannelTheBoxListensOnNow)
{
    Bank.SetByte(0, 32, 2);
    form->ApplyPreset(0);
    form->CheckBox38->setChecked(true);
    QTimer::singleShot(0, &ChannelDialog, [this] {
        ChannelDialog.potnewcan->SetState(10);
        QTest::mouseClick(ChannelDialog.BitBtnOk, Qt::LeftButton);
    });
    QTest::mouseClick(form->SpeedButton12, Qt::LeftButton);
    ASSERT_EQ(Sent(), Messages{"F0 70 7E 02 2F 00 09 F7"});

    Press(Undo);
    EXPECT_EQ(Bank.GetByte(0, 32), 2);
    EXPECT_EQ(form->kxpotlab4->State(), 3);
    EXPECT_EQ(Sent(), Messages{"F0 70 7E 09 2F 00 02 F7"});
    Press(RedoY);
    EXPECT_EQ(Bank.GetByte(0, 32), 9);
    EXPECT_EQ(form->kxpotlab4->State(), 10);
    EXPECT_EQ(Sent(), Messages{"F0 70 7E 02 2F 00 09 F7"});
}

TEST_F(PresetHistoryTest, LoadsAreUndoneAndRedoneWithoutSending)
{
    TempFolder files;
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"set.TVN", QByteArray(32, 0x05) + QByteArray("\x07\x42", 2)},
        {"set.syx", QByteArray::fromHex("F0707E06310009F7")},
    };
    form->CheckBox38->setChecked(true);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(files.Write(c.name, c.bytes));
        Bank.SetByte(0, 1, 0x30);
        form->ApplyPreset(0);
        const PresetImage before = ReadPreset(Bank, 0);
        Dialogs.Answers.push_back(files.Path(c.name));
        QTest::mouseClick(form->SpeedButton8, Qt::LeftButton);
        const PresetImage loaded = ReadPreset(Bank, 0);
        ASSERT_NE(loaded, before);

        Press(Undo);
        EXPECT_EQ(ReadPreset(Bank, 0), before);
        EXPECT_EQ(form->ComboBox[1]->currentIndex(), 0x31);
        Press(RedoShiftZ);
        EXPECT_EQ(ReadPreset(Bank, 0), loaded);
        EXPECT_EQ(form->ComboBox[1]->currentIndex(), loaded[1] + 1);
        EXPECT_EQ(form->kxpotlab4->State(), loaded[32] + 1);
        EXPECT_EQ(Sent(), Messages{});
    }
}

TEST_F(PresetHistoryTest, AnEditOfAnotherPresetIsShownWhereItWasMadeFromTheContextMenu)
{
    QTest::mouseClick(form->spdPar2, Qt::LeftButton);
    Choose(0, 3);
    QTest::mouseClick(form->spdPar1, Qt::LeftButton);
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (QAction *action : menu->actions())
            offered << action->text() + (action->isEnabled() ? "" : " (off)");
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, {200, 4},
                                 form->GroupBox7->mapToGlobal(QPoint(200, 4)));
    QApplication::sendEvent(form->GroupBox7, &rightClick);

    EXPECT_EQ(offered, QStringList({"Undo Output 1", "Redo (off)", "Send changes",
                                    "Forget what the box has", "Compare...", "Label output...",
                                    "Name preset...", "Names...", "Clear names", "Library..."}));
    EXPECT_EQ(form->CurrentPreset(), 1);
    EXPECT_EQ(Bank.GetByte(1, 0), 0xFF);
    EXPECT_EQ(form->ComboBox[0]->currentIndex(), 0);
}

// "Compare": the current preset beside preset 2 and then a file (chosen again from the list after
// preset 2); the highlighted rows are the outputs that differ; a copy of one output, then of all,
// is one edit each, undone by the key.
TEST_F(PresetHistoryTest, CopiesFromAComparedPresetOrFileAreEditsThatUndo)
{
    Bank.SetByte(1, 2, 7);
    Bank.SetByte(1, 5, 74);
    TempFolder files;
    ASSERT_TRUE(files.Write("other.TVN", QByteArray(34, '\x01')));
    form->Assignments->CompareAction->trigger();
    CompareDialog &compare = *form->Assignments->Comparison;
    ASSERT_TRUE(compare.isVisible());
    const auto highlighted = [&] {
        std::vector<int> rows;
        for (int row = 0; row < TForm1::OutputCount; ++row)
            if (compare.Table->item(row, 1)->background().style() != Qt::NoBrush)
                rows.push_back(row);
        return rows;
    };
    EXPECT_EQ(highlighted(), (std::vector<int>{2, 5}));

    compare.Table->selectRow(5);
    Click(compare.CopyOne);
    EXPECT_EQ(highlighted(), std::vector<int>{2});
    EXPECT_EQ(form->ComboBox[5]->currentIndex(), 75);
    Dialogs.Answers = {files.Path("other.TVN")};
    Click(compare.OpenFile);
    EXPECT_EQ(highlighted().size(), 32u);
    Activate(compare.Source, 1); // preset 2 again, then the file's entry again
    EXPECT_EQ(highlighted(), std::vector<int>{2});
    Activate(compare.Source, 4);
    EXPECT_EQ(highlighted().size(), 32u) << "the file's entry compares the file";
    Click(compare.CopyAll);
    EXPECT_EQ(PresetFileImage(Bank, 0).left(32), QByteArray(32, '\x01'));
    EXPECT_TRUE(highlighted().empty());
    compare.accept();

    Press(Undo);
    EXPECT_EQ(Bank.GetByte(0, 0), 0xFF);
    EXPECT_EQ(Bank.GetByte(0, 5), 74);
    Press(Undo);
    EXPECT_EQ(Bank.GetByte(0, 5), 0xFF);
    EXPECT_EQ(form->ComboBox[5]->currentIndex(), 0);
    EXPECT_TRUE(Sent().empty()) << "copies send nothing";
}
