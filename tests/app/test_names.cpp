// Names of presets and labels of outputs in the window: given over what they name, found in
// what a screen reader reads, undone and redone, never sent; carried by the editor's own preset
// file and kept when another kind of file is loaded.
#include "app/LibraryCommands.h"
#include "app/Settings.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "converter/AssignmentPage.h"
#include "converter/CompareDialog.h"
#include "converter/LabelsDialog.h"
#include "converter/LibraryDialog.h"
#include "converter/NameEditor.h"
#include "converter/PresetText.h"
#include "support/FormTest.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

namespace {

class NamesTest : public FormTest
{
protected:
    NamesTest()
    {
        form = MakeForm();
        form->show();
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->State.SetRealTime(true); // a name must go nowhere even so
        SentToSimulator();
        Midi.clearSimulatorMessages();
    }

    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : form.get(), key, modifiers);
    }
    // Types text into the editor that is open, then ends it with key.
    void Type(const QString &text, Qt::Key key = Qt::Key_Return)
    {
        // As after a transfer's progress window: the window is active again.
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        auto *editor = form->findChild<NameEditor *>("NameEditor");
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(editor->hasFocus());
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form->findChild<NameEditor *>("NameEditor"), nullptr) << "the editor closed";
    }
    QString Label(int output) const
    {
        return form->State.Names(form->CurrentPreset()).labels[output];
    }

    std::unique_ptr<TForm1> form;
    TempFolder Files;
};

} // namespace

TEST_F(NamesTest, NamesAreGivenOverWhatTheyNameShownToAScreenReaderUndoneAndNeverSent)
{
    form->ComboBox[16]->setFocus();
    Press(Qt::Key_F2);
    Type("  VCF 2   cutoff ");
    QTest::mouseDClick(form->OutputNumbers[17], Qt::LeftButton);
    Type("Env decay");
    QTest::mouseDClick(form->OutputNumbers[0], Qt::LeftButton);
    Type("dropped", Qt::Key_Escape);
    Click(form->spdPar1); // a double-click's first click, then its second
    const QPointF middle = QRectF(form->spdPar1->rect()).center();
    QMouseEvent second(QEvent::MouseButtonDblClick, middle, form->spdPar1->mapToGlobal(middle),
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, middle, form->spdPar1->mapToGlobal(middle),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form->spdPar1, &second);
    QApplication::sendEvent(form->spdPar1, &release);
    EXPECT_EQ(SentToSimulator().size(), 32u) << "the click sends the preset, the naming nothing";
    Midi.clearSimulatorMessages();
    Type("Drone");

    EXPECT_TRUE(SentToSimulator().empty()) << "names are sent nowhere";
    EXPECT_EQ(Label(16), "VCF 2 cutoff");
    EXPECT_EQ(Label(0), "");
    EXPECT_EQ(form->ComboBox[16]->accessibleName(), "Output 17 (VCF 2 cutoff) controller");
    EXPECT_EQ(form->ComboBox[15]->accessibleName(), "Output 16 controller");
    EXPECT_EQ(form->OutputNumbers[17]->toolTip(), "Env decay");
    EXPECT_EQ(form->Controller[16]->accessibleName(), "Output 17 (VCF 2 cutoff) value");
    EXPECT_EQ(form->Controller[16]->toolTip(), "Output 17 (VCF 2 cutoff) value");
    EXPECT_EQ(form->spdPar1->accessibleName(), "Preset 1 (Drone)");
    EXPECT_EQ(form->spdPar1->toolTip(), "Preset #1: Drone");

    // Another preset has names of its own; coming back shows these again.
    Click(form->spdPar2);
    EXPECT_EQ(form->ComboBox[16]->accessibleName(), "Output 17 controller");
    Click(form->spdPar1);
    EXPECT_EQ(SentToSimulator().size(), 64u) << "the two presets, sent as they were chosen";
    Midi.clearSimulatorMessages();

    // The list of all of them edits the same names.
    form->ConfigPage().OpenNames();
    form->ConfigPage().Names->Table->item(2, 1)->setText("LFO rate");
    EXPECT_EQ(Label(2), "LFO rate");
    form->ConfigPage().Names->close();

    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Label(2), "");
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->State.Names(0).name, "");
    EXPECT_EQ(form->spdPar1->accessibleName(), "Preset 1");
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Label(17), "");
    EXPECT_EQ(Label(16), "VCF 2 cutoff");
    Press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Label(17), "Env decay");
    EXPECT_TRUE(SentToSimulator().empty()) << "names are sent nowhere";
}

TEST_F(NamesTest, ThePresetFileWithNamesCarriesThemAndOtherFilesKeepTheSlotsLabels)
{
    form->ConfigPage().NamePreset("Drone");
    form->ConfigPage().LabelOutput(16, "VCF 2 cutoff");
    Dialogs.Answers = {Files.Path("patch")};
    Dialogs.Filters = {5};
    form->SpeedButton17->click();
    std::variant<preset_text::Preset, QString> saved = preset_text::Read(Files.Read("patch.tvp"));
    ASSERT_TRUE(std::holds_alternative<preset_text::Preset>(saved));
    EXPECT_EQ(std::get<preset_text::Preset>(saved).names, form->State.Names(0));
    EXPECT_EQ(std::get<preset_text::Preset>(saved).bytes, ReadPreset(Bank, 0));

    // Preset 2, labelled, takes a parameter file: its labels stay.
    Click(form->spdPar2);
    form->ConfigPage().LabelOutput(3, "Pitch");
    const PresetNames labelled = form->State.Names(1);
    ASSERT_TRUE(Files.Write("plain.TVN", PresetFileImage(Bank, 0)));
    form->LoadIntoCurrentPreset(Files.Path("plain.TVN"), false);
    EXPECT_EQ(form->State.Names(1), labelled);
    EXPECT_EQ(ReadPreset(Bank, 1), ReadPreset(Bank, 0));

    // The preset file brings its names with its bytes, as one edit.
    form->LoadIntoCurrentPreset(Files.Path("patch.tvp"), false);
    EXPECT_EQ(form->State.Names(1), form->State.Names(0));
    form->ConfigPage().History().Stack().undo();
    EXPECT_EQ(form->State.Names(1), labelled);

    // A later version's file changes nothing, and says why.
    const QByteArray later = Files.Read("patch.tvp").replace("\"version\": 1", "\"version\": 9");
    ASSERT_TRUE(Files.Write("later.tvp", later));
    const PresetImage before = ReadPreset(Bank, 1);
    form->LoadIntoCurrentPreset(Files.Path("later.tvp"), false);
    ASSERT_EQ(Boxes.Messages.size(), 1);
    EXPECT_TRUE(Boxes.Messages[0].text.endsWith("Nothing was loaded."));
    EXPECT_EQ(form->State.Names(1), labelled);
    EXPECT_EQ(ReadPreset(Bank, 1), before);
}

TEST_F(NamesTest, TheLibraryFindsAPresetByALabelLoadsComparesAndSendsIt)
{
    preset_text::Preset saved;
    saved.bytes = ReadPreset(Bank, 3);
    saved.bytes[16] = 74;
    saved.names.name = "Drone";
    saved.names.labels[16] = "VCF 2 cutoff";
    ASSERT_TRUE(Files.Write("drone.tvp", preset_text::Write(saved)));
    ASSERT_TRUE(Files.Write("other.tvp", preset_text::Write({})));
    WriteLibraryFolder(QFileInfo(Files.Path("x")).path());
    const PresetImage before = ReadPreset(Bank, 0);

    form->Library->Open();
    LibraryDialog &library = *form->Library->Dialog;
    QTRY_VERIFY_WITH_TIMEOUT(!library.Model->Scanning(), 60000);
    QTest::keyClicks(library.Filter, "2 cut");
    QTest::keyClick(library.Filter, Qt::Key_Down);
    ASSERT_NE(library.Selected(), nullptr);
    EXPECT_EQ(library.Model->rowCount(), 1);

    library.Load->click();
    EXPECT_EQ(ReadPreset(Bank, 0), saved.bytes);
    EXPECT_EQ(form->State.Names(0), saved.names);
    form->ConfigPage().History().Stack().undo();
    EXPECT_EQ(ReadPreset(Bank, 0), before);
    EXPECT_EQ(form->State.Names(0), PresetNames{});

    library.Compare->click();
    CompareDialog &comparison = *form->ConfigPage().Comparison;
    EXPECT_EQ(comparison.Source->currentText(), "Drone (drone.tvp)");
    EXPECT_EQ(comparison.Differing(), std::vector<int>({16}));
    comparison.close();

    EXPECT_TRUE(SentToSimulator().empty()) << "loading and comparing send nothing";
    library.Send->click();
    const std::vector<std::string> sent = SentToSimulator();
    ASSERT_EQ(sent.size(), 32u);
    EXPECT_EQ(sent[16], "F0 70 7E 00 40 04 0A F7") << "output 17 takes controller 74";
    EXPECT_EQ(ReadPreset(Bank, 0), before) << "sending leaves the current preset as it is";
}
