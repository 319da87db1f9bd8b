// The window on the kernel's ALSA sequencer, in the test machine of scripts/alsa-vm.sh, where the
// raw side of a snd-virmidi port stands for the box's wire and for a controller's: the window
// comes up on ALSA and says so, a preset sent from the toolbar reaches the wire, a controller
// turned on the wire is learned, the MIDI system the user chooses moves the devices to JACK (no
// server runs there) and back, the choice kept in the settings, and a device unplugged and
// plugged back is used again as before.
#include "app/EditorMidi.h"
#include "controls/SpeedButton.h"
#include "converter/ControllerLearn.h"
#include "converter/LearnControls.h"
#include "midi/MidiIn.h"
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
    bool Connected() const
    {
        return QTest::qWaitFor(
            [&] {
                return Form->MidiOutput1->Health() == MidiOk &&
                       Form->MidiInput1->Health() == MidiOk && Form->cmbOutput->toolTip().isEmpty();
            },
            Limit);
    }
    // "Send Parameters to MIDI": what the wire reads of it.
    std::vector<int> Transfer(RawMidi &wire)
    {
        ShowTab(*Form, "Config");
        Click(Form->SpeedButton1);
        return Values(wire.read(32 * 8, Limit / 1000));
    }
    // Output's selector learns a controller turned on the knobs' wire; with "Send Params RT" on
    // the new assignment goes out on the box's wire.
    void LearnFromTheWire(int output, RawMidi &knobs, RawMidi &wire, std::uint8_t controller)
    {
        RequestContextMenu(Form->ComboBox[output]->lineEdit(), QContextMenuEvent::Mouse);
        ASSERT_TRUE(Form->LearnUi->OpenMenu());
        ASSERT_TRUE(ClickMenuEntry(Form->LearnUi->OpenMenu(), "LearnController"));
        ASSERT_TRUE(knobs.write({0xB0, controller, 33}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Form->Learn->Output() < 0; }, Limit));
        EXPECT_EQ(Bank.GetByte(0, output), controller);
        EXPECT_EQ(Values(wire.read(8, Limit / 1000)),
                  (std::vector<int>{0xF0, 0x70, 0x7E, 0x00, 0x30 + output, controller >> 4,
                                    controller & 0x0F, 0xF7}));
    }
    std::unique_ptr<CombinedServices> Services;
};

} // namespace

TEST_F(AlsaWindow, SendsLearnsAndFollowsTheSystemChosenAndTheDeviceUnplugged)
{
    EXPECT_EQ(Form->MidiStatus->text(), "ALSA sequencer: running");
    Form->CheckBox38->setChecked(true); // "Send Params RT"
    std::vector<int> transferred;
    {
        RawMidi wire(2), knobs(3);
        Choose(Form->cmbOutput, VirMidi(2));
        Choose(Form->cmbInput, VirMidi(3));
        ASSERT_TRUE(Connected());
        transferred = Transfer(wire);
        ASSERT_EQ(transferred.size(), 32u * 8);
        LearnFromTheWire(4, knobs, wire, 74);
    }

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
    // Automatic again: ALSA, the chosen devices open on it.
    Activate(Form->cmbSystem, 0);
    EXPECT_EQ(Form->MidiStatus->text(), "ALSA sequencer: running");
    EXPECT_EQ(Settings().value(MidiSystemSetting).toString(), "auto");
    ASSERT_TRUE(Connected());

    // Unplugged and plugged back: with no user action the next transfer arrives byte for byte
    // (the learned controller in it) and a controller is learned.
    ASSERT_TRUE(RawMidi::plug(false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->cmbOutput->toolTip().isEmpty(); }, Limit));
    ASSERT_TRUE(RawMidi::plug(true));
    RawMidi wire(2), knobs(3);
    ASSERT_TRUE(Connected());
    EXPECT_TRUE(wire.read(1, 1).empty()) << "something was sent on the editor's own account";
    transferred[4 * 8 + 5] = 74 >> 4;
    transferred[4 * 8 + 6] = 74 & 0x0F;
    EXPECT_EQ(Transfer(wire), transferred);
    LearnFromTheWire(5, knobs, wire, 71);
}
