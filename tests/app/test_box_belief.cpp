// What the editor believes the box has, against the box itself: the built-in simulator behind
// "Torvane Simulator" is the oracle for a seeded random session, and the Config page shows the
// belief (marks, status line) across a restart and after it is forgotten.
//
// TORVANE_ORACLE_STEPS sets the session's length (default 200), TORVANE_ORACLE_SEED its seed.
#include "app/BoxMemory.h"
#include "app/BuiltInSimulator.h"
#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "converter/BoxView.h"
#include "midi/MidiOut.h"
#include "midi/backend/ForwardingServices.h"
#include "midi/backend/MidiHeaderRules.h"
#include "support/FormTest.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <random>

namespace {

const QString Simulator = QString::fromLatin1(SimulatedServices::SimulatorName);

// The simulated devices, but the long message numbered failAt (counting from 0) fails: refused
// at once, as by a device already gone, or taken and handed back unsent, as by a wire that
// loses it (the next ones go out again).
class FailingOnce final : public ForwardingServices
{
public:
    using ForwardingServices::ForwardingServices;
    MidiResult openOutput(MidiHandle &handle, int id, MidiCallbackFunction callback,
                          std::uintptr_t instance) override
    {
        Callback = callback;
        Instance = instance;
        return ForwardingServices::openOutput(handle, id, callback, instance);
    }
    MidiResult sendLongMessage(MidiHandle handle, MidiHeader *header) override
    {
        if (sent++ != failAt)
            return ForwardingServices::sendLongMessage(handle, header);
        if (!lose)
            return MidiErrNotReady;
        markHeaderQueued(header);
        handBackHeader(header);
        Callback(handle, MidiMsg::OutDone, Instance, reinterpret_cast<std::uintptr_t>(header), 0);
        return MidiOk;
    }
    long sent = 0, failAt = -1;
    bool lose = false;
    MidiCallbackFunction Callback = nullptr;
    std::uintptr_t Instance = 0;
};

// Where a known field of the belief says otherwise than the box; empty when none does.
std::string Mismatch(const char *what, const BoxBelief::Setup &belief,
                     const sim::ConverterSetup &box)
{
    std::string found;
    if (belief.channel && *belief.channel != box.channel)
        found += std::string(what) + " channel; ";
    for (int i = 0; i < protocol::OutputCount; ++i)
        if (belief.controllers[i] && *belief.controllers[i] != box.controllers[i])
            found += std::string(what) + " output " + std::to_string(i + 1) + "; ";
    return found;
}

class BoxBeliefTest : public FormTest
{
protected:
    // The sink outlives the box that made it: the devices may keep it.
    BoxBeliefTest() { Midi.setSimulatorSink(Box.sink()); }

    const BoxBelief &Belief() const { return Form->KnownBoxes->Of(Simulator); }
    // Everything sent has reached the box, and the port has heard back of it.
    const sim::BoxState &Settled()
    {
        Midi.waitIdle();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Form->MidiOutput1->PendingLongMessages() == 0; }));
        Box.deliverPending();
        return Box.state();
    }
    void ChangeChannel(int channel)
    {
        QTimer::singleShot(0, &ChannelDialog, [&] {
            ChannelDialog.potnewcan->SetState(channel);
            Click(ChannelDialog.BitBtnOk);
        });
        Click(Form->SpeedButton12);
    }
    void SendChanges() { Form->Assignments->SendChangesAction->trigger(); }
    QString Status()
    {
        Settled();
        return Form->Assignments->BoxMarks().Status->text();
    }
    std::vector<int> Marked()
    {
        Settled();
        std::vector<int> marked;
        for (int i = 0; i < protocol::OutputCount; ++i)
            if (!Form->Assignments->BoxMarks().Marks[i]->isHidden())
                marked.push_back(i + 1);
        return marked;
    }

    sim::BuiltInSimulator Box{QDir(Dir.path()).filePath("box.flash")};
    // Outlives the window, which TearDown closes.
    FailingOnce Failing{Midi};
};

TEST_F(BoxBeliefTest, AfterEveryStepOfARandomSessionTheBeliefIsWhatTheSimulatorHas)
{
    FailingOnce &midi = Failing;
    Open("Config", &midi);
    Click(Form->SpeedButton1); // from here on the box's channel and outputs are known
    const auto setting = [](const char *name, int fallback) {
        return qEnvironmentVariableIntValue(name) > 0 ? qEnvironmentVariableIntValue(name)
                                                      : fallback;
    };
    std::mt19937 random(setting("TORVANE_ORACLE_SEED", 22));
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const int steps = setting("TORVANE_ORACLE_STEPS", 200);
    for (int step = 0; step < steps; ++step) {
        const int action = pick(10);
        SCOPED_TRACE("step " + std::to_string(step) + ", action " + std::to_string(action));
        switch (action) {
        case 0: // a transfer, whole or failing after a few messages
            midi.failAt = pick(4) ? midi.sent + pick(4) : -1;
            midi.lose = false;
            Click(Form->SpeedButton1);
            break;
        case 1: // a changes-only send, whose first message may be lost on the way
            midi.failAt = pick(3) ? -1 : midi.sent;
            midi.lose = true;
            SendChanges();
            break;
        case 2:
            Click(Form->SpeedButton10);
            break;
        case 3:
            ChangeChannel(1 + pick(3));
            break;
        case 4:
            ClickCheckBox(Form->CheckBox38);
            break;
        case 5: // another preset: with "Send Params RT" a whole transfer, so rarely then
            if (!Form->CheckBox38->isChecked() || pick(4) == 0)
                Click(std::array{Form->spdPar1, Form->spdPar2}[pick(2)]);
            break;
        default: // an edit, sent at once with "Send Params RT"
            Activate(Form->ComboBox[pick(32)], pick(6) * 20);
            break;
        }
        const sim::BoxState &box = Settled();
        ASSERT_EQ(Mismatch("working", Belief().Working(), box.working) +
                      Mismatch("flash", Belief().Flash(), box.flash),
                  "");
        ASSERT_FALSE(Belief().Unknown());
    }
}

TEST_F(BoxBeliefTest, ThePageMarksWhatTheBoxHasDifferentlyAcrossARestartUntilForgotten)
{
    Open("Config");
    const QString prefix = "The box, as sent from this editor: ";
    EXPECT_EQ(Status(), prefix + "Unknown: send the preset.");
    Click(Form->SpeedButton1);
    EXPECT_EQ(Status(), prefix + "In step with the box; not written to flash.");
    Click(Form->SpeedButton10);
    EXPECT_EQ(Status(), prefix + "In step with the box.");
    Bank.SetByte(1, 7, 0x20);
    Click(Form->spdPar2); // RT is off: the page shows preset 2 against the box
    EXPECT_EQ(Status(), prefix + "1 output differs.");
    Click(Form->spdPar1);
    Activate(Form->ComboBox[4], 75); // RT is off: only the preset changes
    Activate(Form->ComboBox[20], 8);
    EXPECT_EQ(Status(), prefix + "2 outputs differ.");
    EXPECT_EQ(Marked(), (std::vector<int>{5, 21}));
    EXPECT_EQ(Form->Assignments->BoxMarks().Marks[4]->toolTip(), "The box has no controller");

    Form->close();
    Open("Config"); // a new start finds what the box was sent
    EXPECT_EQ(Marked(), (std::vector<int>{5, 21}));
    SendChanges();
    EXPECT_EQ(Status(), prefix + "In step with the box; not written to flash.");

    ChangeChannel(3); // RT off: the preset moves to channel 3, the box stays on channel 1
    EXPECT_EQ(Status(), prefix + "The box listens on channel 1.");
    Activate(Form->ComboBox[0], 9);
    const std::uint64_t received = Settled().accepted + Settled().rejected;
    SendChanges();
    EXPECT_EQ(Settled().accepted + Settled().rejected, received) << "nothing sent";
    ASSERT_EQ(Boxes.Messages.size(), 1);
    EXPECT_TRUE(Boxes.Messages[0].text.startsWith("The box listens on channel 1, as sent"));

    Form->Assignments->ForgetBoxAction->trigger();
    EXPECT_EQ(Status(), prefix + "Unknown: send the preset.");
    EXPECT_EQ(Marked(), std::vector<int>{});
}

// Closing with changes the box has not written to flash: asked once, answered as the row says.
TEST_F(BoxBeliefTest, ClosingAsksToWriteToFlashOnlyWhenTheBoxHasUnwrittenChanges)
{
    using B = QMessageBox::StandardButton;
    struct Row
    {
        const char *name;
        bool flashed, askSetting;
        QuestionAnswer answer;
        bool asked, closes, written, askAfter;
    } rows[] = {
        {"written: not asked", true, true, {}, false, true, false, true},
        {"told not to ask", false, false, {}, false, true, false, false},
        {"write to flash", false, true, {B::Save, false}, true, true, true, true},
        {"close without writing, never again",
         false,
         true,
         {B::Discard, true},
         true,
         true,
         false,
         false},
        {"cancel", false, true, {B::Cancel, true}, true, false, false, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Settings().remove(AskFlashOnCloseSetting);
        WriteAskFlashOnClose(row.askSetting);
        Open("Config");
        ClickCheckBox(Form->CheckBox38); // one output sent at once
        Activate(Form->ComboBox[0], 5);
        if (row.flashed)
            Click(Form->SpeedButton10);
        const std::uint64_t writes = Settled().flashWrites; // and the belief knows it
        int asked = 0;
        const QuestionSink previous = SetQuestionSink([&](const QuestionRequest &) {
            ++asked;
            return row.answer;
        });
        EXPECT_EQ(Form->MayClose(), row.closes);
        SetQuestionSink(previous);
        EXPECT_EQ(asked, row.asked ? 1 : 0);
        EXPECT_EQ(Settled().flashWrites - writes, row.written ? 1u : 0u);
        EXPECT_EQ(ReadAskFlashOnClose(), row.askAfter);
        Form->Assignments->ForgetBoxAction->trigger();
    }
}

// "Write to flash" answered at close leaves as the port closes: it counts all the same, and the
// next start neither says "not written to flash" nor asks again.
TEST_F(BoxBeliefTest, WriteToFlashChosenAtCloseIsRememberedAfterARestart)
{
    WriteAskFlashOnClose(true);
    Open("Config");
    Click(Form->SpeedButton1); // the box known, and not written to flash
    Settled();
    ASSERT_TRUE(Belief().Unwritten());
    const QuestionSink previous = SetQuestionSink([](const QuestionRequest &) {
        return QuestionAnswer{QMessageBox::Save, false};
    });
    ASSERT_TRUE(Form->MayClose());
    SetQuestionSink(previous);
    Form->close(); // at once: the flash message may still be on its way

    Open("Config");
    EXPECT_FALSE(Belief().Unwritten());
    EXPECT_EQ(Status(), "The box, as sent from this editor: In step with the box.");
}

// Two editors on one file: each save writes back what the other saved, with this one's own
// changes on top; a forgotten box goes from the file; a save that cannot be made is told once.
TEST(BoxMemory, TwoEditorsOnOneFileKeepEachOthersDevicesAndTheirOwnChangesWin)
{
    TempFolder dir;
    const QString path = dir.Path("boxes.json");
    const auto sent = [](BoxMemory &memory, const QString &device, int output, int controller) {
        const protocol::ParameterMessage message =
            protocol::MakeParameterMessage(0, protocol::FirstOutputParameter + output, controller);
        memory.Delivered(device, QByteArrayView(message.data(), qsizetype(message.size())));
        return memory.Save();
    };
    const auto onDisk = [&](const QString &device) { return BoxMemory(path).Of(device); };
    BoxMemory first(path), second(path);
    ASSERT_TRUE(sent(first, "A", 0, 7));
    ASSERT_TRUE(sent(second, "B", 0, 9));
    ASSERT_FALSE(first.Of("A").Unknown());
    EXPECT_EQ(onDisk("A"), first.Of("A")) << "the second editor dropped the first one's box";
    EXPECT_EQ(second.Of("A"), first.Of("A")) << "and knows it since its save";
    ASSERT_TRUE(sent(first, "A", 1, 10));
    ASSERT_TRUE(sent(second, "B", 1, 11)); // its copy of A is older: A is not its change
    EXPECT_EQ(onDisk("A"), first.Of("A"));
    EXPECT_EQ(onDisk("B"), second.Of("B"));
    first.Forget("B");
    ASSERT_TRUE(first.Save());
    EXPECT_EQ(onDisk("B"), BoxBelief{});
    EXPECT_EQ(onDisk("A"), first.Of("A"));

    // No folder that can take the file: told once, and nothing lands in the working directory.
    ASSERT_TRUE(dir.Write("file", "not a folder"));
    for (const QString &nowhere : {dir.Path("file/boxes.json"), QString()}) {
        BoxMemory memory(nowhere);
        int told = 0;
        QObject::connect(&memory, &BoxMemory::SaveFailed, [&told] { ++told; });
        EXPECT_FALSE(sent(memory, "A", 0, 7));
        EXPECT_FALSE(sent(memory, "A", 0, 8));
        EXPECT_EQ(told, 1) << nowhere.toStdString();
        EXPECT_FALSE(QFileInfo::exists(BoxMemory::FileName));
    }
}

} // namespace
