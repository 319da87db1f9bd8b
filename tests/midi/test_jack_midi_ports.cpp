// The ports over the system back end on a real JACK server: what TMidiOutput sends reaches
// another process, what another process sends reaches TMidiInput, on the GUI thread.
#include "support/JackTestSupport.h"

#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/system/SystemMidiServices.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

using jacktest::Helper;

namespace {

using JackPorts = jacktest::JackTest;

// The bytes of every message jack_midi_dump has printed so far.
QStringList dumped(Helper &dump)
{
    QStringList messages;
    for (const QString &line : dump.lines())
        if (const QString bytes = jacktest::dumpBytes(line); !bytes.isEmpty())
            messages << bytes;
    return messages;
}

TEST_F(JackPorts, OutputReachesAnotherProcessInCallOrder)
{
    SystemMidiServices services(MidiSystem::Jack);
    ASSERT_EQ(services.system(), MidiSystem::Jack);
    const QString dumpName = UniqueJackName("torvane-dump");
    Helper dump("jack_midi_dump", {dumpName});
    const std::string port = dumpName.toStdString() + ":input";
    ASSERT_GE(jacktest::waitForDevice(services, port, true), 0) << "jack_midi_dump did not appear";
    // jack_midi_dump has a port before it is running; a first message that it prints shows
    // that it is (one sent earlier can sit unprinted in its buffer).
    jacktest::TestClient warmUp(UniqueJackName("torvane-warm-up"), true);
    ASSERT_TRUE(warmUp.ok());
    bool connected = false; // refused until jack_midi_dump has activated its client
    ASSERT_TRUE(WaitForServer([&] {
        connected = connected || warmUp.connect(port);
        if (connected)
            warmUp.send({0xFE});
        return !dumped(dump).isEmpty();
    })) << "jack_midi_dump prints nothing";
    const qsizetype before = dumped(dump).size();

    TMidiOutput out(services);
    int completions = 0;
    out.Onmidioutput = [&](QObject *) { ++completions; };
    out.SetProductName(QString::fromStdString(port));
    ASSERT_TRUE(out.Open());
    const std::uint8_t parameter[] = {0xF0, 0x70, 0x7E, 0x00, 0x30, 0x00, 0x07, 0xF7};
    out.SendLongMessage(parameter, sizeof parameter);
    out.SendShortMessage(0xC3, 0x0F, 0x00);
    out.SendShortMessage(0xB0, 0x07, 0x3F);
    // Closing at once must still let all three leave.
    EXPECT_TRUE(out.Close());

    QStringList received;
    (void)WaitForServer([&] {
        received = dumped(dump).mid(before);
        received.removeAll("fe"); // warm-up messages still on their way
        return received.size() >= 3;
    });
    EXPECT_EQ(received, (QStringList{"f0 70 7e 00 30 00 07 f7", "c3 0f", "b0 07 3f"}));
    (void)WaitForServer([&] { return completions == 1; });
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(out.PendingLongMessages(), 0u);
}

TEST_F(JackPorts, InputFillsTheRingOnTheGuiThreadAndReportsTheFirstDrop)
{
    SystemMidiServices services(MidiSystem::Jack);
    const QString seqName = UniqueJackName("torvane-seq");
    // Eight notes per 256-frame loop: sixteen events a cycle, 1025 of them within a second.
    QStringList args{seqName, "256"};
    for (int note = 0; note < 8; ++note)
        args << QString::number(note * 16) << QString::number(60 + note) << "8";
    Helper seq("jack_midiseq", args);
    const std::string port = seqName.toStdString() + ":out";
    ASSERT_GE(jacktest::waitForDevice(services, port, false), 0) << "jack_midiseq did not appear";

    TMidiInput in(services);
    int inputs = 0, overflows = 0, offGuiThread = 0;
    in.OnMidiInput = [&](QObject *sender) {
        EXPECT_EQ(sender, &in);
        ++inputs;
        offGuiThread += QThread::currentThread() != QCoreApplication::instance()->thread();
    };
    in.OnOverflow = [&](QObject *) { ++overflows; };
    in.SetProductName(QString::fromStdString(port));
    in.Open();
    ASSERT_EQ(in.PortState(), psOpen);
    EXPECT_EQ(in.EventCount(), 0);
    in.Start();

    ASSERT_TRUE(QTest::qWaitFor([&] { return overflows > 0; }, 10000))
        << "count stayed at " << in.EventCount();
    EXPECT_EQ(in.EventCount(), 1024);
    EXPECT_EQ(inputs, 1024);
    EXPECT_EQ(offGuiThread, 0);
    // Every item is one of jack_midiseq's notes: on (0x90) or off (0x80), velocity 64.
    const TMidiEventRing *ring = in.EventRing();
    ASSERT_NE(ring, nullptr);
    std::uint32_t lastTime = 0;
    for (const TMidiRingEvent *e = ring->First; e != ring->End; ++e) {
        const std::uint32_t status = e->Data & 0xF0;
        EXPECT_TRUE(status == 0x90 || status == 0x80) << std::hex << e->Data;
        EXPECT_EQ(e->Data >> 16, 0x40u) << std::hex << e->Data;
        EXPECT_EQ(e->SysexHeader, nullptr);
        EXPECT_GE(e->Timestamp, lastTime); // milliseconds since Start, never going back
        lastTime = e->Timestamp;
    }
    in.Close();
    EXPECT_EQ(in.EventCount(), 0);
}

TEST_F(JackPorts, InputStoresReceivedSysExInAReceiveBuffer)
{
    SystemMidiServices services(MidiSystem::Jack);
    jacktest::TestClient sender(UniqueJackName("torvane-sender"), true);
    ASSERT_TRUE(sender.ok());
    ASSERT_GE(jacktest::waitForDevice(services, sender.portName(), false), 0);

    TMidiInput in(services);
    int inputs = 0;
    in.OnMidiInput = [&](QObject *) { ++inputs; };
    in.SetProductName(QString::fromStdString(sender.portName()));
    in.Open();
    ASSERT_EQ(in.PortState(), psOpen);
    in.Start();
    ASSERT_TRUE(WaitForServer([&] { return sender.connected(); }));
    const std::vector<std::uint8_t> sysex{0xF0, 0x70, 0x7E, 0x00, 0x30, 0x00, 0x07, 0xF7};
    sender.send(sysex);
    sender.send({0xB0, 0x07, 0x3F});

    ASSERT_TRUE(WaitForServer([&] { return inputs == 2; }));
    const TMidiRingEvent &first = in.EventRing()->First[0];
    EXPECT_EQ(first.Data, 0u);
    ASSERT_NE(first.SysexHeader, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(first.SysexHeader->data,
                                        first.SysexHeader->data + first.SysexHeader->bytesRecorded),
              sysex);
    EXPECT_EQ(in.EventRing()->First[1].Data, 0x3F07B0u);
    in.Close();
}

} // namespace
