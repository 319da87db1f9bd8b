// The window on the kernel's ALSA sequencer, in the test machine of scripts/alsa-vm.sh, where the
// raw side of a snd-virmidi port stands for the box's wire and for a controller's: the window
// comes up on ALSA and says so, a preset sent from the toolbar reaches the wire, a controller
// turned on the wire is learned, and the MIDI system the user chooses moves the devices to JACK
// (no server runs there) and back, the choice kept in the settings.
#include "app/EditorMidi.h"
#include "controls/SpeedButton.h"
#include "converter/ControllerLearn.h"
#include "converter/LearnControls.h"
#include "midi/MidiOut.h"
#include "support/FormTest.h"
#include "support/RawMidi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

namespace {

constexpr int Limit = 30000; // ms: the emulated machine is slow, more so on a busy host

QString VirMidi(int n)
{
    return QString("Virtual Raw MIDI 0-%1:VirMIDI 0-%1").arg(n);
}

std::vector<int> Values(const std::vector<std::pair<int, RawMidi::Clock::time_point>> &read)
{
    std::vector<int> values;
    for (const auto &[value, at] : read)
        values.push_back(value);
    return values;
}

class AlsaWindow : public FormTest
{
protected:
    void SetUp() override
    {
        Services = MakeEditorMidi(SystemMidiStart::InBackground);
        Form = MakeForm(Services.get());
        // As the program does it: the window's choice of system replaces the services' own.
        Form->Devices->SetSystemSwitch(
            [this](MidiSystemChoice choice) { SwitchEditorMidi(*Services, choice); });
        Form->show();
    }
    void TearDown() override
    {
        FormTest::TearDown();
        Services.reset();
    }
    static void Choose(QComboBox *selector, const QString &name)
    {
        const int index = selector->findText(name, Qt::MatchExactly);
        ASSERT_GE(index, 0) << name.toStdString() << " is not offered";
        Activate(selector, index);
    }
    bool OutputConnected() const
    {
        return QTest::qWaitFor([&] { return Form->MidiOutput1->Health() == MidiOk; }, Limit);
    }
    std::unique_ptr<CombinedServices> Services;
};

} // namespace

TEST_F(AlsaWindow, SendsLearnsAndMovesToTheMidiSystemChosen)
{
    EXPECT_EQ(Form->MidiStatus->text(), "ALSA sequencer: running");
    RawMidi wire(2), knobs(3);
    Choose(Form->cmbOutput, VirMidi(2));
    Choose(Form->cmbInput, VirMidi(3));
    ASSERT_TRUE(OutputConnected());

    // "Send Parameters to MIDI": 32 parameter messages of 8 bytes on the wire.
    ShowTab(*Form, "Config");
    Click(Form->spdPar1);
    Click(Form->SpeedButton1);
    const std::vector<int> sent = Values(wire.read(32 * 8, Limit / 1000));
    ASSERT_EQ(sent.size(), 32u * 8);
    EXPECT_EQ(std::vector<int>(sent.begin(), sent.begin() + 5),
              (std::vector<int>{0xF0, 0x70, 0x7E, 0x00, 0x30}));

    // A controller turned on the wire is learned by output 5, and with "Send Params RT" on the
    // answer goes back out: parameter 0x34, 74 = 0x04 0x0A.
    Form->CheckBox38->setChecked(true);
    RequestContextMenu(Form->ComboBox[4]->lineEdit(), QContextMenuEvent::Mouse);
    ASSERT_TRUE(Form->LearnUi->OpenMenu());
    ASSERT_TRUE(ClickMenuEntry(Form->LearnUi->OpenMenu(), "LearnController"));
    ASSERT_TRUE(knobs.write({0xB0, 74, 33}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->Learn->Output() < 0; }, Limit));
    EXPECT_EQ(Form->ComboBox[4]->currentText(), "Sound Brightness ");
    EXPECT_EQ(Values(wire.read(8, Limit / 1000)),
              (std::vector<int>{0xF0, 0x70, 0x7E, 0x00, 0x34, 0x04, 0x0A, 0xF7}));

    // JACK chosen: its devices (none: no server here), the chosen ones kept and marked missing.
    ShowTab(*Form, "MIDI");
    Activate(Form->cmbSystem, 2);
    EXPECT_EQ(Settings().value(MidiSystemSetting).toString(), "jack");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Form->MidiStatus->text() == "JACK: not running"; }, Limit))
        << Form->MidiStatus->text().toStdString();
    EXPECT_EQ(Form->cmbOutput->currentText(), VirMidi(2));
    EXPECT_NE(Form->MidiOutput1->Health(), MidiOk);
    EXPECT_FALSE(Form->cmbOutput->toolTip().isEmpty()) << "not marked as not connected";

    // Automatic again: ALSA, the chosen output open on it, and what the user sends arrives.
    Activate(Form->cmbSystem, 0);
    EXPECT_EQ(Form->MidiStatus->text(), "ALSA sequencer: running");
    ASSERT_TRUE(OutputConnected());
    EXPECT_TRUE(Form->cmbOutput->toolTip().isEmpty());
    EXPECT_TRUE(wire.read(1, 1).empty()) << "something was sent on the editor's own account";
    Click(Form->SpeedButton2); // "Send All CC": output 5's controller is the only one set
    EXPECT_EQ(Values(wire.read(3, Limit / 1000)), (std::vector<int>{0xB0, 74, 0}));
    EXPECT_EQ(Settings().value(MidiSystemSetting).toString(), "auto");
}
