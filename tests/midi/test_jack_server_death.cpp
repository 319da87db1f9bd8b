// The JACK server dies (or freezes) while ports are open. Nothing may hang or spin; the next send
// fails with the port's error saying the MIDI system is not running; closing still works. The test
// starts a server of its own so that the shared one survives.
#include "midi_test_helpers.h"
#include "support/JackTestSupport.h"

#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/system/SystemMidiServices.h"

#include <gtest/gtest.h>

#include <ctime>

using jacktest::Helper;

namespace {

// CPU time of the whole process (all threads), in milliseconds.
double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

const char *const kNotRunning = "The MIDI system is not running";

TEST(JackServerDeath, PortsFailWithTheSystemsErrorAndNothingSpins)
{
    REQUIRE_JACK_SERVER();
    JackServer server;
    ASSERT_TRUE(server.start()) << "could not start a private JACK server";

    SystemMidiServices services(MidiSystem::Jack);
    ASSERT_EQ(services.system(), MidiSystem::Jack);
    const QString dumpName = UniqueJackName("torvane-dump");
    const QString seqName = UniqueJackName("torvane-seq");
    Helper dump("jack_midi_dump", {dumpName}, server.name());
    Helper seq("jack_midiseq", {seqName, "2400", "0", "60", "1200"}, server.name());
    const std::string outName = dumpName.toStdString() + ":input";
    const std::string inName = seqName.toStdString() + ":out";
    ASSERT_GE(jacktest::waitForDevice(services, outName, true), 0);
    ASSERT_GE(jacktest::waitForDevice(services, inName, false), 0);

    TMidiOutput out(services);
    TMidiInput in(services);
    out.SetProductName(QString::fromStdString(outName));
    in.SetProductName(QString::fromStdString(inName));
    ASSERT_TRUE(out.Open());
    in.Open();
    ASSERT_EQ(in.PortState(), psOpen);
    in.Start();
    const std::uint8_t parameter[] = {0xF0, 0x70, 0x7E, 0x00, 0x30, 0x00, 0x07, 0xF7};
    out.SendLongMessage(parameter, sizeof parameter);
    out.SendShortMessage(0xB0, 0x07, 0x3F);
    ASSERT_TRUE(WaitForServer([&] { return in.EventCount() > 0; })) << "nothing received before";

    server.stop();

    // Keep sending as the editor would; the server's death must show as the port's error.
    QString error;
    (void)WaitForServer([&] {
        try {
            out.SendShortMessage(0xB0, 0x07, 0x3F);
            out.SendLongMessage(parameter, sizeof parameter);
        } catch (const EmidioutputError &e) {
            error = e.Message();
        }
        return !error.isEmpty();
    });
    EXPECT_EQ(error, kNotRunning);
    EXPECT_EQ(services.systemStatus().state, MidiSystemStatus::NotRunning);
    EXPECT_THROW(out.SendLongMessage(parameter, sizeof parameter), EmidioutputError);

    // No thread of ours may be left busy: over a quiet half second the process uses far less
    // than one core's worth of CPU time.
    const double cpuBefore = processCpuMs();
    QTest::qWait(500);
    EXPECT_LT(processCpuMs() - cpuBefore, 250.0);

    // Closing ends cleanly and has handed back every long message by the time it returns (no
    // completion is lost, none comes late).
    in.Close();
    EXPECT_EQ(in.PortState(), psClosed);
    EXPECT_TRUE(out.Close());
    out.NotifyWindow().deliverPending();
    EXPECT_EQ(out.PendingLongMessages(), 0u);

    // And the ports cannot be opened again on a dead server.
    EXPECT_FALSE(out.Open());
    in.Open();
    EXPECT_EQ(in.PortState(), psClosed);
}

// A server that is alive but frozen answers no request: libjack would wait for it for as long as
// it stays frozen. With a port open its cycles stop, and the system is soon shown as not
// responding; opening and sending then fail with that reason, closing returns, and once the
// server goes on the system is running again.
TEST(JackServerFrozen, OpenFailsAndSendAndCloseReturn)
{
    REQUIRE_JACK_SERVER();
    JackServer server;
    ASSERT_TRUE(server.start()) << "could not start a private JACK server";
    {
        SystemMidiServices services(MidiSystem::Jack);
        const QString dumpName = UniqueJackName("torvane-dump");
        Helper dump("jack_midi_dump", {dumpName}, server.name());
        const int id = jacktest::waitForDevice(services, dumpName.toStdString() + ":input", true);
        ASSERT_GE(id, 0);
        CallbackRecorder done;
        MidiHandle handle = NoMidiHandle;
        ASSERT_EQ(done.openOutput(services, handle, id), MidiOk);
        std::uint8_t parameter[] = {0xF0, 0x70, 0x7E, 0x00, 0x30, 0x00, 0x07, 0xF7};
        MidiHeader header;
        header.data = parameter;
        header.bufferLength = sizeof parameter;
        ASSERT_EQ(services.prepareOutputHeader(handle, &header), MidiOk);

        ASSERT_TRUE(WaitForServer([&] { return services.outputHealth(handle) == MidiOk; }));
        const auto state = [&] { return services.systemStatus().state; };

        server.freeze();
        // Sent before the freeze is noticed: the frozen server never takes it, and closing
        // returns all the same with it handed back, once.
        EXPECT_EQ(services.sendLongMessage(handle, &header), MidiOk);
        ASSERT_TRUE(WaitForServer([&] { return state() == MidiSystemStatus::NotResponding; }));
        MidiHandle second = NoMidiHandle;
        EXPECT_EQ(services.openOutput(second, id, &IgnoreCallback, 0), MidiErrSystemNotResponding);
        EXPECT_EQ(services.sendShortMessage(handle, 0x3F07B0), MidiErrSystemNotResponding);
        EXPECT_EQ(services.closeOutput(handle), MidiOk);
        EXPECT_EQ(done.completed(), std::vector<MidiHeader *>{&header});
        EXPECT_EQ(header.flags & (MidiHdrDone | MidiHdrInQueue), MidiHdrDone);
        EXPECT_EQ(services.sendShortMessage(handle, 0x3F07B0), MidiErrInvalidHandle);
        server.thaw();
        EXPECT_TRUE(WaitForServer([&] { return state() == MidiSystemStatus::Running; }));
    }
}

} // namespace
