// The paced converter transfers seen from the wire: the whole-preset transfer with its progress
// window, the write-to-flash command, a transfer cut short by a failing device, and the pause.
#include "app/ExceptionReport.h"
#include "controls/Cgauges.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "support/FakeMidiServices.h"
#include "support/FormTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTest>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How late the simulated loopback's thread may stamp one message on a busy machine.
constexpr std::uint32_t DeliveryJitterMs = 20;

// The parameter message for output i + 1, written out by hand from the message layout.
std::string OutputMessage(int channel, int output, int byte)
{
    return Hex({0xF0, 0x70, 0x7E, channel, 0x30 + output, byte >> 4, byte & 0x0F, 0xF7});
}

// A scripted device that notes, at each long message handed to it, how far the progress
// window stood and when; it refuses the long message numbered refuseAt (from 0), if any.
class WatchingServices : public FakeMidiServices
{
public:
    explicit WatchingServices(const TForm2 &progress) : Progress(progress) {}

    struct Seen
    {
        int progress, max;
        bool windowShown;
        Clock::time_point at;
    };

    MidiResult sendLongMessage(MidiHandle handle, MidiHeader *header) override
    {
        seen.push_back({Progress.CGauge1->Progress(), Progress.CGauge1->MaxValue(),
                        Progress.isVisible(), Clock::now()});
        if (static_cast<int>(seen.size()) - 1 == refuseAt)
            return MidiErrNotReady;
        return FakeMidiServices::sendLongMessage(handle, header);
    }

    const TForm2 &Progress;
    int refuseAt = -1;
    std::vector<Seen> seen;
};

class TransfersTest : public FormTest
{
protected:
    TransfersTest() { Watching.outputs = {FakeMidiServices::outputNamed("Torvane Simulator")}; }

    // The window on the "Config" page, start-up's patch-bay messages cleared.
    void Open(MidiServices *midi = nullptr) { FormTest::Open("Config", midi); }

    std::vector<std::string> LongMessagesSeenBy(const FakeMidiServices &device)
    {
        std::vector<std::string> sent;
        for (const auto &message : device.longMessages)
            sent.push_back(Hex(message.data(), message.size()));
        return sent;
    }

    WatchingServices Watching{Progress};
};

} // namespace

TEST_F(TransfersTest, TransferSendsTheCurrentPresetInOrderAsTheGaugeAdvances)
{
    Open(&Watching);
    std::vector<std::string> expected;
    for (int i = 0; i < TForm1::OutputCount; ++i) {
        const int byte = i == 7 ? 0xFF : i == 12 ? 0x90 : (i * 5) % 128;
        Bank.SetByte(1, i, std::uint8_t(byte));
        expected.push_back(OutputMessage(15, i, byte));
    }
    Bank.SetByte(1, 32, 15);
    Bank.SetByte(1, 33, 0x42);
    Click(Form->spdPar2); // "Send Params RT" is off: nothing sent yet
    ASSERT_TRUE(Watching.longMessages.empty());

    Click(Form->SpeedButton1);

    // Only the 32 assignments, parameters 0x30..0x4F in order; neither byte 32 nor 33.
    EXPECT_EQ(LongMessagesSeenBy(Watching), expected);
    ASSERT_EQ(Watching.seen.size(), 32u);
    for (int i = 0; i < 32; ++i) {
        SCOPED_TRACE(i);
        // Message i goes out when the gauge shows the i messages before it.
        EXPECT_EQ(Watching.seen[i].progress, i);
        EXPECT_EQ(Watching.seen[i].max, 34);
        EXPECT_TRUE(Watching.seen[i].windowShown);
        // The pause after each message: the next is handed over more than 100 ms later.
        if (i > 0) {
            EXPECT_GT(Watching.seen[i].at - Watching.seen[i - 1].at,
                      std::chrono::milliseconds(100));
        }
    }
    EXPECT_EQ(Progress.CGauge1->Progress(), 32);
    EXPECT_EQ(Progress.CGauge1->MaxValue(), 34);
    EXPECT_EQ(Progress.CGauge1->GetPercentDone(), 94);
    EXPECT_FALSE(Progress.isVisible());
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(TransfersTest, TransferLeavesAtLeast100msBetweenMessagesOnTheWire)
{
    Open();
    for (int i = 0; i < TForm1::OutputCount; ++i)
        Bank.SetByte(0, i, std::uint8_t(127 - i));
    // Room for the whole transfer at the loopback input: the port queues its receive buffers
    // once and hands each back full.
    Form->MidiInput1->Close();
    Form->MidiInput1->SetSysexBufferCount(TForm1::OutputCount);
    // The user picks the loopback as output, which reopens both ports.
    Form->PageControl1->setCurrentWidget(Form->TabSheet3);
    ChooseInList(Form->cmbOutput, 1);
    ASSERT_EQ(Form->cmbOutput->currentText(), "Virtual Loopback");
    ASSERT_EQ(Form->MidiInput1->EventCount(), 0);

    Click(Form->SpeedButton1);
    Midi.waitIdle();

    ASSERT_EQ(Form->MidiInput1->EventCount(), 32);
    const TMidiRingEvent *received = Form->MidiInput1->EventRing()->First;
    for (int i = 0; i < 32; ++i) {
        SCOPED_TRACE(i);
        const MidiHeader *message = received[i].SysexHeader;
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(Hex(message->data, message->bytesRecorded), OutputMessage(0, i, 127 - i));
        // Each message arrives stamped by the loopback's own thread, which on a loaded machine
        // may run a few milliseconds late for one message and not for the next: a gap can
        // read a little under the 100 ms pause that the sender certainly took (the hand-over
        // times are checked exactly above). A missing or shortened pause reads far lower.
        if (i > 0) {
            EXPECT_GE(received[i].Timestamp - received[i - 1].Timestamp, 100u - DeliveryJitterMs);
        }
    }
    EXPECT_GE(received[31].Timestamp - received[0].Timestamp, 3100u - DeliveryJitterMs);
    EXPECT_TRUE(SentToSimulator().empty());
}

TEST_F(TransfersTest, AFailedSendEndsTheTransferAtThatMessageWithoutAPause)
{
    for (int refuseAt : {0, 4}) {
        SCOPED_TRACE(refuseAt);
        Watching.seen.clear();
        Watching.longMessages.clear();
        Boxes.Messages.clear();
        Watching.refuseAt = refuseAt;
        Open(&Watching);

        Click(Form->SpeedButton1);
        const Clock::time_point returned = Clock::now();

        EXPECT_EQ(Watching.longMessages.size(), std::size_t(refuseAt));
        ASSERT_EQ(Watching.seen.size(), std::size_t(refuseAt) + 1);
        // The refused message never counted on the gauge, and its 100 ms pause was not
        // taken: the click returned well within it.
        EXPECT_EQ(Progress.CGauge1->Progress(), refuseAt);
        EXPECT_LT(returned - Watching.seen.back().at, std::chrono::milliseconds(100));
        EXPECT_FALSE(Progress.isVisible());
        ASSERT_EQ(Boxes.Messages.size(), 1);
        EXPECT_EQ(Boxes.Messages[0].text,
                  ExceptionReportText(Form->MidiOutput1->ErrorText(MidiErrNotReady)));
        Form.reset();
    }
}

TEST_F(TransfersTest, WriteToFlashSendsOneMessageWhateverSendParamsRTSaysThenPauses)
{
    Open();
    StepTo(Form->kxpotlab4, 3);
    for (bool rt : {false, true}) {
        SCOPED_TRACE(rt);
        Midi.clearSimulatorMessages();
        Form->CheckBox38->setChecked(rt);
        QElapsedTimer clicked;
        clicked.start();
        Click(Form->SpeedButton10);
        EXPECT_GE(clicked.elapsed(), 200);
        EXPECT_EQ(SentToSimulator(), std::vector<std::string>{"F0 70 7E 02 70 07 0B F7"});
    }
}

TEST(WaitMs, NeverEndsEarlyAndSleepsThroughThePause)
{
    const auto threadCpu = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    };
    for (std::uint32_t ms : {0u, 1u, 7u, 200u}) {
        SCOPED_TRACE(ms);
        const auto cpuBefore = threadCpu();
        const Clock::time_point before = Clock::now();
        TForm1::WaitMs(ms);
        const Clock::duration waited = Clock::now() - before;
        EXPECT_GT(waited, std::chrono::milliseconds(ms));
        // A pause that spins, even only for its last stretch, burns that time on this thread.
        EXPECT_LT(threadCpu() - cpuBefore, std::chrono::microseconds(ms * 100 + 500));
    }
}
