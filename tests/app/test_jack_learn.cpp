// Controller learning with real system input: the editor runs on the system's MIDI services
// (JACK); jack_midiseq, a program no one here wrote, plays notes into the chosen input, then a
// JACK client of the test's own sends Control Changes; another one captures what the editor
// sends. Learning is started from the selectors' context menus, as the user does it. The same
// capture counts what a changes-only send puts on the wire.
//
// Like the other JACK tests: skipped without TORVANE_TEST_JACK (a developer's plain ctest),
// failed when it is set and the server does not answer.
#include "converter/ControllerLearn.h"
#include "converter/LearnControls.h"
#include "converter/MonitorLog.h"
#include "midi/MidiOut.h"
#include "midi/backend/simulated/CombinedServices.h"
#include "support/FormTest.h"
#include "support/JackTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QTest>

namespace {

using Bytes = std::vector<std::uint8_t>;

class JackLearn : public FormTest
{
protected:
    void SetUp() override
    {
        REQUIRE_JACK_SERVER();
        Jack = jacktest::makeJackServices();
    }

    // The user picks the named device in a selector of the "MIDI" page.
    void Choose(QComboBox *selector, const std::string &name)
    {
        const int index = selector->findText(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_GE(index, 0) << name << " is not offered";
        ChooseByKeys(selector, index);
        ASSERT_EQ(selector->currentText().toStdString(), name);
    }
    void LearnFromMenu(int output, const char *entry)
    {
        RequestContextMenu(Form->ComboBox[output]->lineEdit(), QContextMenuEvent::Mouse);
        ASSERT_TRUE(Form->LearnUi->OpenMenu());
        ASSERT_TRUE(ClickMenuEntry(Form->LearnUi->OpenMenu(), entry));
    }
    int LinesIn(std::uint8_t status) const
    {
        int count = 0;
        for (std::uint64_t n = Form->Monitor->FirstKept(); n < Form->Monitor->End(); ++n) {
            const MonitorLine &line = Form->Monitor->Line(n);
            count += line.direction == Direction::In && (line.bytes[0] & 0xF0) == status;
        }
        return count;
    }
    static bool Captured(jacktest::TestClient &sink, const Bytes &message)
    {
        const auto received = sink.received();
        return std::find(received.begin(), received.end(), message) != received.end();
    }

    std::unique_ptr<CombinedServices> Jack;
};

TEST_F(JackLearn, AChangesOnlySendOfOneOutputPutsOneMessageOnTheWire)
{
    jacktest::TestClient sink(UniqueJackName("torvane-capture"), false);
    ASSERT_TRUE(sink.ok());
    ASSERT_GE(jacktest::waitForDevice(*Jack, sink.portName(), true), 0);
    Form = MakeForm(Jack.get());
    Form->show();
    ShowTab(*Form, "MIDI");
    Choose(Form->cmbOutput, sink.portName());
    ShowTab(*Form, "Config");
    // What reached the wire beside the start-up's patch-bay set-up.
    const auto sysex = [&] {
        std::vector<Bytes> sent;
        for (const Bytes &message : sink.received())
            if (message.front() == 0xF0)
                sent.push_back(message);
        return sent;
    };
    // A device never sent to has nothing known: every output goes.
    Form->Assignments->SendChangesAction->trigger();
    ASSERT_TRUE(WaitForServer(
        [&] { return sysex().size() == 32 && Form->MidiOutput1->PendingLongMessages() == 0; }));
    ChooseByKeys(Form->ComboBox[9], 8); // "Send Params RT" is off
    Form->Assignments->SendChangesAction->trigger();
    ASSERT_TRUE(WaitForServer([&] { return sysex().size() > 32; }));
    QTest::qWait(300);
    EXPECT_EQ(sysex().size(), 33u);
    EXPECT_EQ(sysex().back(), (Bytes{0xF0, 0x70, 0x7E, 0x00, 0x39, 0x00, 0x07, 0xF7}));
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(JackLearn, ControllersFromAJackSourceAreLearnedAndTheAnswerGoesOutOverJack)
{
    const QString seqName = UniqueJackName("torvane-notes");
    jacktest::Helper notes("jack_midiseq", {seqName, "4800", "0", "60", "2400"}); // 10 a second
    jacktest::TestClient source(UniqueJackName("torvane-knobs"), true);
    jacktest::TestClient sink(UniqueJackName("torvane-capture"), false);
    ASSERT_TRUE(source.ok() && sink.ok());
    const std::string notesPort = seqName.toStdString() + ":out";
    ASSERT_GE(jacktest::waitForDevice(*Jack, notesPort, false), 0) << "jack_midiseq is missing";
    ASSERT_GE(jacktest::waitForDevice(*Jack, source.portName(), false), 0);
    ASSERT_GE(jacktest::waitForDevice(*Jack, sink.portName(), true), 0);

    Form = MakeForm(Jack.get());
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    ShowTab(*Form, "MIDI");
    Choose(Form->cmbInput, notesPort);
    Choose(Form->cmbOutput, sink.portName());
    if (!Form->CheckBox38->isChecked())
        ClickCheckBox(Form->CheckBox38);
    ShowTab(*Form, "Config");

    // Notes while output 5 learns change nothing.
    LearnFromMenu(4, "LearnController");
    ASSERT_EQ(Form->Learn->Output(), 4);
    ASSERT_TRUE(WaitForServer([&] { return LinesIn(0x90) >= 2 && LinesIn(0x80) >= 2; }))
        << "jack_midiseq's notes never arrived";
    EXPECT_EQ(Form->Learn->Output(), 4);
    EXPECT_EQ(Form->ComboBox[4]->currentIndex(), 0);

    // Control Change 74 from the other source does.
    ShowTab(*Form, "MIDI");
    Choose(Form->cmbInput, source.portName());
    ASSERT_EQ(Form->Learn->Output(), 4) << "choosing another input goes on learning";
    ASSERT_TRUE(WaitForServer([&] { return source.connected(); })) << "the input never connected";
    source.send({0xB5, 74, 33});
    ASSERT_TRUE(WaitForServer([&] { return Form->Learn->Output() < 0; }));
    EXPECT_EQ(Form->ComboBox[4]->currentText(), "Sound Brightness ");
    EXPECT_EQ(Bank.GetByte(0, 4), 74);
    EXPECT_TRUE(WaitForServer([&] {
        return Captured(sink, {0xF0, 0x70, 0x7E, 0x00, 0x34, 0x04, 0x0A, 0xF7});
    })) << "the parameter message did not go out";

    // "Learn all" takes three knobs, each sending a stream, for outputs 1 to 3.
    ShowTab(*Form, "Config");
    LearnFromMenu(0, "LearnAllOutputs");
    ASSERT_TRUE(Form->Learn->Walking());
    for (const Bytes &message : {Bytes{0xB0, 16, 1}, Bytes{0xB0, 16, 2}, Bytes{0xB0, 17, 1},
                                 Bytes{0xB0, 16, 3}, Bytes{0xB0, 17, 2}, Bytes{0xB0, 18, 1}})
        source.send(message);
    ASSERT_TRUE(WaitForServer([&] { return Form->Learn->Output() == 3; }));
    EXPECT_EQ(Form->ComboBox[0]->currentText(), "General Purpose Slider 1");
    EXPECT_EQ(Form->ComboBox[1]->currentText(), "General Purpose Slider 2");
    EXPECT_EQ(Form->ComboBox[2]->currentText(), "General Purpose Slider 3");
    EXPECT_TRUE(WaitForServer([&] {
        return Captured(sink, {0xF0, 0x70, 0x7E, 0x00, 0x30, 0x01, 0x00, 0xF7}) &&
               Captured(sink, {0xF0, 0x70, 0x7E, 0x00, 0x31, 0x01, 0x01, 0xF7}) &&
               Captured(sink, {0xF0, 0x70, 0x7E, 0x00, 0x32, 0x01, 0x02, 0xF7});
    }));
    Form->Learn->Cancel();
    EXPECT_EQ(Form->ComboBox[3]->currentIndex(), 0);
}

} // namespace
