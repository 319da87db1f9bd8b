// The system services on the kernel's real ALSA sequencer, in the test machine of
// scripts/alsa-vm.sh: snd-virmidi's ports, whose raw side stands for the box's wire.
#include "midi/backend/alsa/AlsaSequencer.h"
#include "midi/backend/system/SystemMidiServices.h"
#include "midi_test_helpers.h"
#include "support/RawMidi.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
constexpr int Limit = 30000; // ms: the emulated machine is slow, more so on a busy host

std::string Listed(MidiServices &services, bool output, int index)
{
    MidiOutCaps outCaps;
    MidiInCaps inCaps;
    if (output)
        return services.outputDeviceCaps(index, outCaps) == MidiOk ? outCaps.name : "";
    return services.inputDeviceCaps(index, inCaps) == MidiOk ? inCaps.name : "";
}

// snd-virmidi's port N as listed: by client and port name, without the sequencer's numbers.
std::string VirMidiName(int n)
{
    const std::string number = std::to_string(n);
    return "Virtual Raw MIDI 0-" + number + ":VirMIDI 0-" + number;
}

// The place of snd-virmidi's port N in the services' list counted now, or -1.
int VirMidi(MidiServices &services, bool output, int n)
{
    const int count = int(output ? services.outputDeviceCount() : services.inputDeviceCount());
    for (int i = 0; i < count; ++i) {
        if (Listed(services, output, i) == VirMidiName(n))
            return i;
    }
    return -1;
}

class RealSequencer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(services.system(), SystemMidiServices::System::Alsa)
            << "run in the test machine: scripts/alsa-vm.sh";
    }
    // A Control Change sent to VirMIDI 0-0 is read on its raw side, and one written on the raw
    // side of VirMIDI 0-1 comes in: the output and input are connected.
    void expectConnected(MidiHandle out, CallbackRecorder &in)
    {
        RawMidi wire(0), controller(1);
        ASSERT_TRUE(wire.isOpen() && controller.isOpen());
        ASSERT_EQ(services.sendShortMessage(out, 0x404AB0), MidiOk);
        EXPECT_EQ(Values(wire.read(3)), (std::vector<std::uint8_t>{0xB0, 0x4A, 0x40}));
        const std::size_t before = in.calls().size();
        ASSERT_TRUE(controller.write({0xB1, 0x07, 0x55}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return in.calls().size() > before; }, Limit));
        EXPECT_EQ(in.calls().back().param1, 0x5507B1u);
    }
    SystemMidiServices services{SystemMidiServices::System::Alsa};
};

TEST_F(RealSequencer, EveryVirMidiPortIsListedInBothDirections)
{
    for (const bool output : {true, false}) {
        for (int n = 0; n < 4; ++n)
            EXPECT_GE(VirMidi(services, output, n), 0) << output << n;
    }
}

// The command line's transfer, as the box's wire sees it: the file's bytes, paced.
TEST_F(RealSequencer, ATransferArrivesByteForByteAndPaced)
{
    const std::vector<std::uint8_t> file = {0xF0, 0x7D, 0x01, 0x02, 0xF7, 0xF0, 0x7D, 0x03,
                                            0x04, 0xF7, 0xF0, 0x7D, 0x05, 0x06, 0xF7};
    QTemporaryDir folder;
    QFile syx(folder.filePath("test.syx"));
    ASSERT_TRUE(syx.open(QIODevice::WriteOnly));
    syx.write(reinterpret_cast<const char *>(file.data()), qint64(file.size()));
    syx.close();
    // As listed, and with the numbers that earlier versions listed (client 18 is VirMIDI 0-2).
    for (const std::string &port : {VirMidiName(2), VirMidiName(2) + " 18:0"}) {
        RawMidi wire(2);
        QProcess send;
        send.start(TORVANE_EXECUTABLE,
                   {"--send", syx.fileName(), "--port", QString::fromStdString(port)});
        const std::vector<RawMidi::Byte> got = wire.read(file.size(), 120s);
        ASSERT_TRUE(send.waitForFinished(Limit * 4));
        EXPECT_EQ(send.exitCode(), 0) << port << send.readAll().toStdString();
        ASSERT_EQ(Values(got), file) << port;
        // 100 ms after each message; a slow machine may delay one, never bring them closer.
        for (std::size_t first : {5u, 10u})
            EXPECT_GE(got[first].at - got[first - 5].at, 80ms) << first;
    }
}

// Unplugged like a USB cable and plugged back: the device is reported gone, then connected
// again in both directions, with nothing sent on its own meanwhile.
TEST_F(RealSequencer, AnUnpluggedDeviceComesBackConnectedInBothDirections)
{
    CallbackRecorder output, input;
    MidiHandle out = NoMidiHandle, in = NoMidiHandle;
    ASSERT_EQ(output.openOutput(services, out, VirMidi(services, true, 0)), MidiOk);
    ASSERT_EQ(input.openInput(services, in, VirMidi(services, false, 1)), MidiOk);
    ASSERT_EQ(services.startInput(in), MidiOk);
    expectConnected(out, input);

    for (const bool plugged : {false, true}) {
        ASSERT_TRUE(RawMidi::plug(plugged));
        const MidiResult expected = plugged ? MidiOk : MidiErrNotConnected;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return (VirMidi(services, true, 0) >= 0) == plugged &&
                       (VirMidi(services, false, 1) >= 0) == plugged &&
                       services.outputHealth(out) == expected &&
                       services.inputHealth(in) == expected;
            },
            Limit))
            << plugged;
    }
    expectConnected(out, input);
    EXPECT_EQ(services.closeInput(in), MidiOk);
    EXPECT_EQ(services.closeOutput(out), MidiOk);
}

// A program's port is the same device when the program comes back under another client number
// (another client took its number meanwhile): it is connected again and what is sent arrives.
TEST_F(RealSequencer, AProgramRestartedUnderAnotherNumberIsTheSameDevice)
{
    const auto start = [](QProcess &dump) {
        dump.start("stdbuf", {"-oL", "aseqdump"});
        return dump.waitForStarted(Limit);
    };
    QProcess first, again;
    ASSERT_TRUE(start(first));
    const auto place = [&] {
        for (int i = 0, count = int(services.outputDeviceCount()); i < count; ++i) {
            if (Listed(services, true, i) == "aseqdump:aseqdump")
                return i;
        }
        return -1;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return place() >= 0; }, Limit));
    CallbackRecorder output;
    MidiHandle out = NoMidiHandle;
    ASSERT_EQ(output.openOutput(services, out, place()), MidiOk);
    first.kill();
    ASSERT_TRUE(first.waitForFinished(Limit));
    const std::unique_ptr<AlsaSequencer> other = makeAlsaSequencer(); // takes its number
    ASSERT_TRUE(other->open());
    ASSERT_TRUE(start(again));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return place() >= 0 && services.outputHealth(out) == MidiOk; }, Limit));
    ASSERT_EQ(services.sendShortMessage(out, 0x404AB0), MidiOk);
    QByteArray dumped;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return (dumped += again.readAllStandardOutput()).contains("controller 74"); }, Limit))
        << dumped.toStdString();
    EXPECT_EQ(services.closeOutput(out), MidiOk);
    again.kill();
    again.waitForFinished(Limit);
}

} // namespace
