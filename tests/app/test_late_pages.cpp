// The pages not shown at start, as program entry leaves them: built after the window's first
// paint, or at once when shown or asked for, and then as if they had been built up front.
#include "app/MonitorPage.h"
#include "controls/Kxpotlab.h"
#include "converter/MonitorModel.h"
#include "support/Files.h"
#include "support/FormTest.h"

#include <QComboBox>
#include <QTabWidget>
#include <QTest>

namespace {

class LatePagesTest : public FormTest
{
protected:
    void MakeUnbuilt() { Form = std::make_unique<TForm1>(Midi, Dialogs, Parts(), Autosave()); }
    // Whether each control of the "Config" page shows, in the order they were made.
    std::vector<bool> ConfigShowing() const
    {
        std::vector<bool> showing;
        for (const QWidget *control : Form->TabSheet2->findChildren<QWidget *>())
            showing.push_back(control->isVisible());
        return showing;
    }
};

TEST_F(LatePagesTest, AreBuiltAfterTheFirstPaintUnasked)
{
    MakeUnbuilt();
    EXPECT_EQ(Form->Assignments, nullptr);
    EXPECT_EQ(Form->Image1, nullptr);
    Form->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Form->Assignments && Form->Image1; }));
}

TEST_F(LatePagesTest, APageChosenBeforeItIsBuiltShowsAsOneBuiltUpFront)
{
    Open("Config");
    const std::vector<bool> upFront = ConfigShowing();
    Form.reset();
    MakeUnbuilt();
    Form->show(); // no turn of the event loop: nothing is painted or built yet
    Form->PageControl1->setCurrentWidget(Form->TabSheet2);
    EXPECT_EQ(ConfigShowing(), upFront);
}

TEST_F(LatePagesTest, TheControllersSendWhatTheLoadedBankAssignsBeforeTheConfigPageIsBuilt)
{
    QByteArray bank(TPresetBank::BankFileSize, 0);
    bank[0] = 7; // output 1 of preset 1 follows controller 7, on channel 1
    ASSERT_TRUE(WriteFile(ProgramBankFile(), bank));
    MakeUnbuilt();
    SentToSimulator(); // the patch-bay set-up, sent at start
    Midi.clearSimulatorMessages();
    Form->Controller[0]->ChangeByUser(64);
    EXPECT_EQ(SentToSimulator(), std::vector<std::string>{"B0 07 40"});
    EXPECT_EQ(Form->Assignments, nullptr) << "the controllers read the bank: the page can wait";
    Form->BuildLatePages();
    EXPECT_EQ(Form->ComboBox[0]->currentIndex(), 8) << "the page shows the bank's preset 1";
}

TEST_F(LatePagesTest, TheMonitorListsWhatWentOutBeforeItsPageWasBuilt)
{
    MakeUnbuilt();
    QWidget *sheet = Form->AddPage(
        "Monitor", [this] { return new MonitorPage(*Form->Monitor, *Form->Input, Dialogs); });
    Form->SendControlChange(0, 7, 64);
    Form->BuildPage(sheet);
    auto *page = sheet->findChild<MonitorPage *>();
    ASSERT_NE(page, nullptr);
    page->Refresh();
    EXPECT_EQ(page->Model->rowCount(), 3) << "the patch-bay set-up sent at start, and the change";
}

} // namespace
