// The "Simulator" page on the main window, with the built-in box behind the "Torvane Simulator"
// output: the user's clicks, keys and drags on the editor's own pages show up on it.
#include "app/BuiltInSimulator.h"
#include "app/SimulatorPage.h"
#include "controls/Kxpotlab.h"
#include "controls/Kxsampletank.h"
#include "controls/SampleTankGeometry.h"
#include "controls/SpeedButton.h"
#include "support/FormTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

namespace {

class SimulatorPageTest : public FormTest
{
protected:
    SimulatorPageTest() : Simulator(QDir(Dir.path()).filePath("simulator.flash"))
    {
        Midi.setSimulatorSink(Simulator.sink());
    }

    std::unique_ptr<TForm1> MakeWindow()
    {
        auto form = MakeForm();
        Page = AddSimulatorPage(*form->PageControl1, Simulator);
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        Settle();
        return form;
    }

    // Lets everything sent so far reach the box and the page.
    void Settle()
    {
        Midi.waitIdle();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    sim::BuiltInSimulator Simulator;
    SimulatorPage *Page = nullptr;
};

TEST_F(SimulatorPageTest, IsTheFourthTabAndMidiStaysTheStartPage)
{
    const auto form = MakeWindow();
    QStringList tabs;
    for (int i = 0; i < form->PageControl1->count(); ++i)
        tabs << form->PageControl1->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"Config", "MIDI", "About...", "Simulator"}));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet3);
    EXPECT_EQ(form->PageControl1->widget(3), Page);
    // The start-up send of the patch-bay set-up reached the box.
    EXPECT_EQ(Page->KesselLabel->text(), "Kessel: input 2, merge off");
    EXPECT_EQ(Page->CountsLabel->text(), "Accepted 2, rejected 0");
    EXPECT_EQ(Page->ChannelLabel->text(), "Channel 1");
}

TEST_F(SimulatorPageTest, FollowsTheUsersAssignmentDragAndFlashWrite)
{
    const auto form = MakeWindow();
    ClickCheckBox(form->CheckBox38);
    ASSERT_TRUE(form->CheckBox38->isChecked());
    ShowTab(*form, "Config");
    ChooseByKeys(form->ComboBox[4], 8);
    Settle();
    EXPECT_EQ(Page->ControllerNames[4]->text(), "Volume (coarse)");
    EXPECT_EQ(Page->ControllerNames[5]->text(), "----- none-------");
    EXPECT_EQ(Page->FlashLabel->text(), "Flash differs from the working set-up");

    ShowTab(*form, "MIDI");
    DragUp(form->Controller[4], 40);
    Settle();
    const int level = form->Controller[4]->State();
    ASSERT_GT(level, 0);
    EXPECT_EQ(Page->LevelValues[4]->text(), QString::number(level));
    EXPECT_EQ(Page->LevelValues[5]->text(), "0");
    EXPECT_EQ(Page->Levels->accessibleDescription().split(", ").mid(4, 2),
              QStringList({QString::number(level), "0"})); // what a screen reader reads

    Click(form->SpeedButton10);
    Settle();
    EXPECT_EQ(Page->FlashLabel->text(), "Flash matches the working set-up");

    // The level graph: a bar up to the level on output 5, none on output 6.
    ShowTab(*form, "Simulator");
    const QImage picture = Page->Levels->grab().toImage();
    const int w = picture.width();
    const int h = picture.height();
    const auto barPixels = [&](int output) {
        const int x = sampletank::PlotX(output, w, SimulatorPage::OutputCount);
        int lime = 0;
        for (int y = sampletank::PlotY(level * 2, h) + 3; y < h - 3; ++y)
            lime += picture.pixelColor(x, y) == QColor(0, 255, 0);
        return lime;
    };
    EXPECT_GT(barPixels(4), 0);
    EXPECT_EQ(barPixels(5), 0);
}

TEST_F(SimulatorPageTest, PowerCycleButtonBringsBackTheFlash)
{
    const auto form = MakeWindow();
    ClickCheckBox(form->CheckBox38);
    ChooseByKeys(form->ComboBox[0], 8);
    DragUp(form->Controller[0], 20);
    Settle();
    ASSERT_EQ(Page->ControllerNames[0]->text(), "Volume (coarse)");
    ASSERT_NE(Page->LevelValues[0]->text(), "0");

    ShowTab(*form, "Simulator");
    Click(Page->PowerCycleButton);
    EXPECT_EQ(Page->ControllerNames[0]->text(), "----- none-------");
    EXPECT_EQ(Page->LevelValues[0]->text(), "0");
    EXPECT_EQ(Page->FlashLabel->text(), "Flash matches the working set-up");
}

TEST_F(SimulatorPageTest, AWholeBurstIsOneRefresh)
{
    const auto form = MakeWindow();
    for (int output = 0; output < 4; ++output) // "Send Params RT" is off: nothing is sent yet
        ChooseByKeys(form->ComboBox[output], 8);
    Settle();
    QSignalSpy changes(&Simulator, &sim::BuiltInSimulator::changed);
    Click(form->SpeedButton2); // "Send All CC"
    Settle();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(Page->CountsLabel->text(), "Accepted 6, rejected 0");
}

TEST_F(SimulatorPageTest, ShowsWhatTheBoxTurnedDownAndWhy)
{
    const auto form = MakeWindow();
    ClickCheckBox(form->CheckBox38);
    // The user moves the master channel to 2 without telling the box, then assigns output 1.
    Click(form->kxpotlab4, Qt::RightButton);
    ASSERT_EQ(form->kxpotlab4->State(), 2);
    ChooseByKeys(form->ComboBox[0], 1);
    Settle();
    EXPECT_EQ(Page->CountsLabel->text(), "Accepted 2, rejected 1");
    EXPECT_EQ(Page->RejectionLabel->text(),
              "Last rejection: other channel: F0 70 7E 01 30 00 00 F7");
    EXPECT_EQ(Page->ControllerNames[0]->text(), "----- none-------");
}

} // namespace
