// The "MIDI" page's controller values and Kessel control seen from the wire: which Control
// Change or Program Change each user action sends, on which channel, and what a failing
// device stops.
#include "app/ExceptionReport.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "midi/MidiOut.h"
#include "support/FakeMidiServices.h"
#include "support/FormTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

using Messages = std::vector<std::string>;

// A scripted device that refuses one short message: the one numbered refuseAt (from 0) among
// those sent after Arm.
class RefusingServices : public FakeMidiServices
{
public:
    RefusingServices() { outputs = {outputNamed("Torvane Simulator")}; }

    void Arm(int refuseAt)
    {
        refuseAt_ = refuseAt;
        sinceArmed_ = 0;
        shortMessages.clear();
    }

    MidiResult sendShortMessage(MidiHandle handle, std::uint32_t word) override
    {
        if (refuseAt_ >= 0 && sinceArmed_++ == refuseAt_)
            return MidiErrNotReady;
        return FakeMidiServices::sendShortMessage(handle, word);
    }

    Messages Sent() const
    {
        Messages sent;
        for (std::uint32_t word : shortMessages) {
            const int status = int(word & 0xFF);
            // A Program Change goes out as two bytes; its word carries a zero third.
            sent.push_back(status >= 0xC0 && status < 0xE0
                               ? Hex({status, int(word >> 8 & 0xFF)})
                               : Hex({status, int(word >> 8 & 0xFF), int(word >> 16 & 0xFF)}));
        }
        return sent;
    }

private:
    int refuseAt_ = -1;
    int sinceArmed_ = 0;
};

class ControllersPageTest : public FormTest
{
protected:
    // The window on the "MIDI" page, start-up's messages cleared.
    void Open(MidiServices *midi = nullptr) { FormTest::Open("MIDI", midi); }

    // Shows preset 1 holding these controller bytes, as start-up does after loading the bank.
    void Assign(const std::array<std::uint8_t, TForm1::OutputCount> &controllers)
    {
        for (int t = 0; t < TForm1::OutputCount; ++t)
            Bank.SetByte(0, t, controllers[std::size_t(t)]);
        Form->ApplyPreset(0);
    }

    Messages Sent() { return SentToSimulator(); }

    std::vector<int> LabelStates() const
    {
        std::vector<int> states;
        for (const Tkxpotlab *label : Form->Controller)
            states.push_back(label->State());
        return states;
    }

    // Output t + 1 on controller t, as a preset.
    static std::array<std::uint8_t, TForm1::OutputCount> EachOnItsOwnController()
    {
        std::array<std::uint8_t, TForm1::OutputCount> controllers{};
        for (int t = 0; t < TForm1::OutputCount; ++t)
            controllers[std::size_t(t)] = std::uint8_t(t);
        return controllers;
    }

    RefusingServices Refusing;
};

} // namespace

TEST_F(ControllersPageTest, ALabelClickSendsItsOutputsControllerOnTheMasterChannel)
{
    struct Case
    {
        const char *situation;
        int output;
        std::uint8_t controller;
        int master, from;
        Qt::MouseButton button;
        int shown;
        std::string sent;
    };
    // clang-format off
    const Case cases[] = {
        {"Volume (coarse) on output 3, 64 down", 3, 7, 1, 64, Qt::LeftButton, 63, "B0 07 3F"},
        {"the same on master channel 5", 3, 7, 5, 64, Qt::LeftButton, 63, "B4 07 3F"},
        {"controller 74 on output 32, up on channel 16", 32, 74, 16, 0, Qt::RightButton, 1, "BF 4A 01"},
        {"a click at the top still sends", 1, 0, 2, 127, Qt::RightButton, 127, "B1 00 7F"},
    };
    // clang-format on
    Open();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        std::array<std::uint8_t, TForm1::OutputCount> controllers;
        controllers.fill(0xFF);
        controllers[std::size_t(c.output - 1)] = c.controller;
        Assign(controllers);
        StepTo(Form->kxpotlab4, c.master);
        Tkxpotlab *label = Form->Controller[std::size_t(c.output - 1)];
        label->SetState(c.from);
        Midi.clearSimulatorMessages();

        Click(label, c.button);

        EXPECT_EQ(label->State(), c.shown);
        EXPECT_EQ(Sent(), Messages{c.sent});
    }
}

TEST_F(ControllersPageTest, ChangingASelectorChangesTheControllerOfTheNextMessageOnly)
{
    Open();
    Tkxpotlab *label = Form->Controller[2];
    label->SetState(64);
    for (auto [item, sent] : {std::pair{8, "B0 07 3F"}, std::pair{11, "B0 0A 3E"}}) {
        Form->PageControl1->setCurrentWidget(Form->TabSheet2);
        ChooseInList(Form->ComboBox[2], item);
        ASSERT_EQ(Form->ComboBox[2]->currentIndex(), item);
        EXPECT_TRUE(Sent().empty()); // "Send Params RT" is off; this page sends nothing

        Form->PageControl1->setCurrentWidget(Form->TabSheet3);
        Click(label);
        EXPECT_EQ(Sent(), Messages{sent});
        Midi.clearSimulatorMessages();
    }
}

TEST_F(ControllersPageTest, AnOutputWithoutAControllerSendsNoControlChange)
{
    // 0xFF and 0xFE are no data bytes: on the wire they would be a System Reset and an
    // Active Sensing. The label still moves, and Reset All CC still sets it to 0.
    // clang-format off
    const std::pair<const char *, std::uint8_t> unassigned[] = {
        {"no controller", 0xFF},
        {"no entry selected", 0x90},
    };
    // clang-format on
    Open();
    for (auto [situation, byte] : unassigned) {
        SCOPED_TRACE(situation);
        auto controllers = EachOnItsOwnController();
        controllers[0] = byte;
        Assign(controllers);
        StepTo(Form->kxpotlab4, 2);
        Form->Controller[0]->SetState(50);

        Click(Form->Controller[0]);
        EXPECT_EQ(Form->Controller[0]->State(), 49);
        EXPECT_TRUE(Sent().empty());

        Click(Form->SpeedButton2);
        Messages sent = Sent();
        ASSERT_EQ(sent.size(), 31u);
        EXPECT_EQ(sent.front(), "B1 01 00");
        Midi.clearSimulatorMessages();

        Click(Form->SpeedButton3);
        EXPECT_EQ(Form->Controller[0]->State(), 0);
        sent = Sent();
        ASSERT_EQ(sent.size(), 31u);
        EXPECT_EQ(sent.front(), "B1 01 00");
        Midi.clearSimulatorMessages();
    }
}

TEST_F(ControllersPageTest, SendAllCCSendsEveryAssignedOutputInOrder)
{
    Open();
    auto controllers = EachOnItsOwnController();
    controllers[1] = 0xFF;
    controllers[19] = 0x90;
    for (int t = 0; t < TForm1::OutputCount; ++t)
        controllers[std::size_t(t)] =
            t == 1 || t == 19 ? controllers[std::size_t(t)] : std::uint8_t((t * 37 + 5) % 128);
    Assign(controllers);
    StepTo(Form->kxpotlab4, 2);
    Messages expected;
    for (int t = 0; t < TForm1::OutputCount; ++t) {
        Form->Controller[std::size_t(t)]->SetState(127 - t * 3);
        if (t != 1 && t != 19)
            expected.push_back(Hex({0xB1, controllers[std::size_t(t)], 127 - t * 3}));
    }

    Click(Form->SpeedButton2);

    const Messages sent = Sent();
    EXPECT_EQ(sent, expected);
    // Whatever the page holds, every byte after a status byte is a data byte.
    for (const std::string &message : sent)
        for (std::size_t at = 3; at < message.size(); at += 3)
            EXPECT_LT(std::stoi(message.substr(at, 2), nullptr, 16), 0x80) << message;
}

TEST_F(ControllersPageTest, ResetAllCCSendsEachAssignedOutputOnceAndZeroesEveryLabel)
{
    Open();
    auto controllers = EachOnItsOwnController();
    controllers[1] = 0xFF;
    Assign(controllers);
    Form->Controller[9]->SetState(100); // output 10
    Form->Controller[1]->SetState(50);  // output 2, unassigned

    Click(Form->SpeedButton3);

    EXPECT_EQ(LabelStates(), std::vector<int>(TForm1::OutputCount, 0));
    Messages expected;
    for (int t = 0; t < TForm1::OutputCount; ++t)
        if (t != 1)
            expected.push_back(Hex({0xB0, t, 0}));
    EXPECT_EQ(Sent(), expected);
}

TEST_F(ControllersPageTest, AFailingSendEndsTheActionAtThatMessage)
{
    struct Case
    {
        const char *situation;
        QWidget *(*button)(TForm1 &);
        int refuseAt;
        Messages sent;
        int zeroedLabels; // the first labels reset to 0; the rest keep 77
    };
    std::vector<std::string> firstFive;
    for (int t = 0; t < 5; ++t)
        firstFive.push_back(Hex({0xB0, t, 77}));
    // clang-format off
    const Case cases[] = {
        {"Send All CC", [](TForm1 &f) -> QWidget * { return f.SpeedButton2; }, 5, firstFive, 0},
        {"Reset All CC", [](TForm1 &f) -> QWidget * { return f.SpeedButton3; }, 5, {"B0 00 00", "B0 01 00", "B0 02 00", "B0 03 00", "B0 04 00"}, 6},
        {"Kessel set-up", [](TForm1 &f) -> QWidget * { return f.SpeedButton5; }, 0, {}, 0},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        Boxes.Messages.clear();
        Open(&Refusing);
        Assign(EachOnItsOwnController());
        for (Tkxpotlab *label : Form->Controller)
            label->SetState(77);
        Refusing.Arm(c.refuseAt);

        Click(c.button(*Form));

        EXPECT_EQ(Refusing.Sent(), c.sent);
        std::vector<int> states(TForm1::OutputCount, 77);
        std::fill_n(states.begin(), c.zeroedLabels, 0);
        EXPECT_EQ(LabelStates(), states);
        ASSERT_EQ(Boxes.Messages.size(), 1);
        EXPECT_EQ(Boxes.Messages[0].text,
                  ExceptionReportText(Form->MidiOutput1->ErrorText(MidiErrNotReady)));
    }
}

TEST_F(ControllersPageTest, KesselMessagesStayOnChannel16WhateverTheMasterChannel)
{
    Open();
    for (int master : {1, 5, 16}) {
        SCOPED_TRACE(master);
        StepTo(Form->kxpotlab4, master);
        Form->kxpotlab1->SetState(6);
        Click(Form->kxpotlab1, Qt::RightButton);
        EXPECT_EQ(Sent(), Messages{"CF 07"});
        Midi.clearSimulatorMessages();

        Click(Form->CheckBox1);
        ASSERT_TRUE(Form->CheckBox1->isChecked());
        Click(Form->CheckBox1);
        EXPECT_EQ(Sent(), (Messages{"BF 1F 01", "BF 1F 00"}));
        Midi.clearSimulatorMessages();

        Form->kxpotlab1->SetState(2);
        Click(Form->SpeedButton5);
        EXPECT_EQ(Sent(), (Messages{"CF 02", "BF 1F 00"}));
        Midi.clearSimulatorMessages();
    }
}

TEST_F(ControllersPageTest, StartUpSendsTheStoredKesselSetUpOnceAfterTheOutputOpens)
{
    for (bool startupSend : {true, false}) {
        SCOPED_TRACE(startupSend);
        Form.reset();
        Refusing.calls.clear();
        Refusing.shortMessages.clear();
        StoreInOrder({10, 10, 0, 1, int(startupSend), 5});

        Form = MakeForm(&Refusing);

        EXPECT_TRUE(Form->CheckBox1->isChecked());
        EXPECT_EQ(Form->kxpotlab1->State(), 5);
        EXPECT_EQ(Refusing.Sent(), startupSend ? (Messages{"CF 05", "BF 1F 01"}) : Messages{});
        const auto opened = std::find(Refusing.calls.begin(), Refusing.calls.end(), "openOutput 0");
        const auto firstShort =
            std::find_if(Refusing.calls.begin(), Refusing.calls.end(),
                         [](const std::string &call) { return call.starts_with("short"); });
        EXPECT_LT(opened, firstShort);
    }
}
