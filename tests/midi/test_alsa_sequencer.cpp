// The system services and the command line on the kernel's real ALSA sequencer, in the test
// machine of scripts/alsa-vm.sh: snd-virmidi's ports, whose raw side stands for the box's wire.
#include "midi/backend/alsa/AlsaSequencer.h"
#include "midi/backend/system/SystemMidiServices.h"
#include "midi_test_helpers.h"
#include "support/MidiDevices.h"
#include "support/RawMidi.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
constexpr int Limit = 30000; // ms: the emulated machine is slow, more so on a busy host

// snd-virmidi's port N as listed: by client and port name, without the sequencer's numbers.
std::string VirMidi(int n)
{
    return "Virtual Raw MIDI 0-" + std::to_string(n) + ":VirMIDI 0-" + std::to_string(n);
}

std::vector<int> Values(const std::vector<std::pair<int, RawMidi::Clock::time_point>> &read)
{
    std::vector<int> values;
    for (const auto &[value, at] : read)
        values.push_back(value);
    return values;
}

// Runs torvane with arguments while during() runs; what it printed (on either channel), and
// exit code (-1: none).
template <class During>
std::pair<QByteArray, int> Torvane(const QStringList &arguments, During during)
{
    QProcess torvane;
    torvane.setProcessChannelMode(QProcess::MergedChannels);
    torvane.start(TORVANE_EXECUTABLE, arguments);
    during();
    const bool ended = torvane.waitForFinished(Limit * 4);
    return {torvane.readAll(), ended ? torvane.exitCode() : -1};
}

// aseqdump, started and listed: what it prints says what reached it.
class Receiver
{
public:
    explicit Receiver(SystemMidiServices &services) : services_(services)
    {
        process.start("stdbuf", {"-oL", "aseqdump"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return index() >= 0; }, Limit));
    }
    ~Receiver()
    {
        process.kill();
        process.waitForFinished(Limit);
    }
    int index() const { return DeviceIndex(services_, "aseqdump:aseqdump", true); }
    // SysEx messages (and controllers) printed so far.
    int count(const char *what)
    {
        printed += process.readAllStandardOutput();
        return int(printed.count(what));
    }
    void signal(int number) { ::kill(pid_t(process.processId()), number); }

    QProcess process;
    QByteArray printed;

private:
    SystemMidiServices &services_;
};

class RealSequencer : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(services.system(), MidiSystem::Alsa); }
    // What is sent to VirMIDI 0-0 is read on its raw side; what is written on the raw side of
    // VirMIDI 0-1 comes in, a SysEx that the sequencer carries in pieces whole in one buffer.
    void expectConnected(MidiHandle out, CallbackRecorder &in, MidiHandle input)
    {
        RawMidi wire(0), controller(1);
        ASSERT_EQ(services.sendShortMessage(out, 0x404AB0), MidiOk);
        EXPECT_EQ(Values(wire.read(3)), (std::vector<int>{0xB0, 0x4A, 0x40}));
        const std::size_t before = in.calls().size();
        std::vector<std::uint8_t> sysex(1000, 0x11), buffer(1024);
        sysex.front() = 0xF0;
        sysex.back() = 0xF7;
        MidiHeader header{buffer.data(), std::uint32_t(buffer.size())};
        ASSERT_EQ(services.prepareInputHeader(input, &header), MidiOk);
        ASSERT_EQ(services.addInputBuffer(input, &header), MidiOk);
        ASSERT_TRUE(controller.write({0xB1, 0x07, 0x55}) && controller.write(sysex));
        ASSERT_TRUE(QTest::qWaitFor([&] { return in.calls().size() == before + 2; }, Limit));
        EXPECT_EQ(in.calls()[before].param1, 0x5507B1u);
        EXPECT_EQ(in.calls().back().bytes, sysex);
        EXPECT_EQ(services.unprepareInputHeader(input, &header), MidiOk);
    }
    SystemMidiServices services{MidiSystem::Alsa};
};

// The command line's transfer as the box's wire sees it, to the port named as listed and with
// the numbers earlier versions listed (client 18 is VirMIDI 0-2); and --system's choice.
TEST_F(RealSequencer, TheCommandLineSendsAndListsOnTheSystemAskedFor)
{
    const std::vector<int> file = {0xF0, 0x7D, 1, 2, 0xF7, 0xF0, 0x7D, 3, 4, 0xF7};
    QTemporaryDir folder;
    QFile syx(folder.filePath("test.syx"));
    ASSERT_TRUE(syx.open(QIODevice::WriteOnly));
    for (const int byte : file)
        syx.putChar(char(byte));
    syx.close();
    for (const std::string &port : {VirMidi(2), VirMidi(2) + " 18:0"}) {
        RawMidi wire(2);
        std::vector<std::pair<int, RawMidi::Clock::time_point>> got;
        const auto [said, exitCode] = Torvane({"--send", syx.fileName(), "--port", port.c_str()},
                                              [&] { got = wire.read(file.size(), 120); });
        EXPECT_EQ(exitCode, 0) << port << said.toStdString();
        ASSERT_EQ(Values(got), file) << port;
        // 100 ms after each message; a slow machine may delay one, never bring them closer.
        EXPECT_GE(got[5].second - got[0].second, 80ms);
    }
    for (const auto &[system, listed] :
         {std::pair{"auto", true}, {"alsa", true}, {"jack", false}}) {
        const auto [said, exitCode] = Torvane({"--list-ports", "--system", system}, [] {});
        EXPECT_EQ(exitCode, 0) << system;
        EXPECT_EQ(said.contains(("output: " + VirMidi(0)).c_str()), listed) << system;
    }
}

// Unplugged like a USB cable and plugged back: reported gone, then connected again in both
// directions (marked so only once it is), with nothing sent on its own meanwhile.
TEST_F(RealSequencer, AnUnpluggedDeviceComesBackConnectedInBothDirections)
{
    CallbackRecorder output, input;
    MidiHandle out = NoMidiHandle, in = NoMidiHandle;
    ASSERT_EQ(output.openOutput(services, out, DeviceIndex(services, VirMidi(0), true)), MidiOk);
    ASSERT_EQ(input.openInput(services, in, DeviceIndex(services, VirMidi(1), false)), MidiOk);
    ASSERT_EQ(services.startInput(in), MidiOk);
    expectConnected(out, input, in);
    for (const bool plugged : {false, true}) {
        ASSERT_TRUE(RawMidi::plug(plugged));
        const MidiResult health = plugged ? MidiOk : MidiErrNotConnected;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return (DeviceIndex(services, VirMidi(0), true) >= 0) == plugged &&
                       (DeviceIndex(services, VirMidi(1), false) >= 0) == plugged &&
                       services.outputHealth(out) == health && services.inputHealth(in) == health;
            },
            Limit))
            << plugged;
    }
    expectConnected(out, input, in);
    EXPECT_EQ(services.closeInput(in), MidiOk);
}

// With an output and an input open, the editor is one client of the sequencer, named after it,
// holding both ports and the one its announcements come to.
TEST_F(RealSequencer, TheEditorIsOneClientWithAllItsPorts)
{
    CallbackRecorder output, input;
    MidiHandle out = NoMidiHandle, in = NoMidiHandle;
    ASSERT_EQ(output.openOutput(services, out, DeviceIndex(services, VirMidi(0), true)), MidiOk);
    ASSERT_EQ(input.openInput(services, in, DeviceIndex(services, VirMidi(1), false)), MidiOk);
    QFile clients("/proc/asound/seq/clients");
    ASSERT_TRUE(clients.open(QIODevice::ReadOnly));
    const QString listed = clients.readAll(), name = SystemMidiServices::clientName();
    EXPECT_EQ(listed.count("\"" + name + "\" ["), 1) << listed.toStdString();
    const QString ours = listed.section("\"" + name + "\" [", 1).section("\nClient", 0, 0);
    for (const char *port : {" out\"", " in\"", " announcements\""})
        EXPECT_TRUE(ours.contains(name + port)) << port << listed.toStdString();
    EXPECT_EQ(services.closeInput(in), MidiOk);
}

// A program's port is the same device when the program comes back under another client number
// (another client took its number): connected again, and what is sent reaches it.
TEST_F(RealSequencer, AProgramRestartedUnderAnotherNumberIsTheSameDevice)
{
    auto first = std::make_unique<Receiver>(services);
    CallbackRecorder output;
    MidiHandle out = NoMidiHandle;
    ASSERT_EQ(output.openOutput(services, out, first->index()), MidiOk);
    first.reset();
    const std::unique_ptr<AlsaSequencer> other = makeAlsaSequencer();
    ASSERT_TRUE(other->open());
    Receiver again(services);
    ASSERT_TRUE(QTest::qWaitFor([&] { return services.outputHealth(out) == MidiOk; }, Limit));
    ASSERT_EQ(services.sendShortMessage(out, 0x404AB0), MidiOk);
    EXPECT_TRUE(QTest::qWaitFor([&] { return again.count("controller 74") == 1; }, Limit))
        << again.printed.toStdString();
}

// A message counts as sent only once it reached a receiver: one that ends mid-transfer makes the
// command line fail with the send's exit code; one that stalls (its queue full under a flood)
// holds the sends up for a moment, and once it reads again the next transfer reaches it whole.
TEST_F(RealSequencer, AReceiverThatEndsFailsTheSendAndOneThatStallsGetsTheNextTransfer)
{
    QTemporaryDir folder;
    QFile syx(folder.filePath("transfer.syx"));
    ASSERT_TRUE(syx.open(QIODevice::WriteOnly));
    const QByteArray parameter = QByteArray::fromHex("F0707E00300007F7");
    for (int i = 0; i < 32; ++i)
        syx.write(parameter);
    syx.close();
    {
        Receiver receiver(services);
        const auto [said, exitCode] =
            Torvane({"--send", syx.fileName(), "--port", "aseqdump:aseqdump"}, [&] {
                EXPECT_TRUE(QTest::qWaitFor([&] { return receiver.count("System exclusive") >= 3; },
                                            Limit));
                receiver.signal(SIGKILL);
            });
        EXPECT_EQ(exitCode, 5) << said.toStdString();
        EXPECT_TRUE(said.contains("not connected")) << said.toStdString();
    }

    Receiver receiver(services);
    CallbackRecorder output;
    MidiHandle out = NoMidiHandle;
    ASSERT_EQ(output.openOutput(services, out, receiver.index()), MidiOk);
    receiver.signal(SIGSTOP);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(services.sendShortMessage(out, 0x004AB0 | std::uint32_t(i % 128) << 16), MidiOk)
            << i;
    QTest::qWait(1000);
    receiver.signal(SIGCONT);
    std::vector<std::vector<std::uint8_t>> messages(32, {parameter.begin(), parameter.end()});
    std::vector<MidiHeader> headers(32);
    for (int i = 0; i < 32; ++i) {
        headers[i] = MidiHeader{messages[i].data(), std::uint32_t(messages[i].size())};
        ASSERT_EQ(services.prepareOutputHeader(out, &headers[i]), MidiOk);
        ASSERT_EQ(services.sendLongMessage(out, &headers[i]), MidiOk) << i;
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return receiver.count("System exclusive") == 32; }, Limit * 2))
        << receiver.count("System exclusive");
    EXPECT_TRUE(QTest::qWaitFor([&] { return output.completed().size() == 32; }, Limit));
    for (MidiHeader &header : headers)
        EXPECT_EQ(header.bytesRecorded, header.bufferLength) << "a delivered message counts";
    EXPECT_EQ(services.closeOutput(out), MidiOk);
}

// Two programs of one name: the one chosen keeps its name, and every message, while the other
// comes (listed as "#2") and goes.
TEST_F(RealSequencer, ATwinOfTheChosenDeviceComesAndGoesWithoutTakingItsPlace)
{
    Receiver chosen(services);
    CallbackRecorder output;
    MidiHandle out = NoMidiHandle;
    ASSERT_EQ(output.openOutput(services, out, chosen.index()), MidiOk);
    const auto send = [&] { return services.sendShortMessage(out, 0x404AB0); };
    const auto twinListed = [&] {
        return DeviceIndex(services, "aseqdump:aseqdump #2", true) >= 0;
    };
    auto twin = std::make_unique<Receiver>(services);
    ASSERT_TRUE(QTest::qWaitFor(twinListed, Limit));
    EXPECT_EQ(services.outputHealth(out), MidiOk);
    ASSERT_EQ(send(), MidiOk);
    EXPECT_TRUE(QTest::qWaitFor([&] { return chosen.count("Control change") == 1; }, Limit));
    EXPECT_EQ(twin->count("Control change"), 0);
    twin.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !twinListed(); }, Limit));
    EXPECT_GE(chosen.index(), 0);
    ASSERT_EQ(send(), MidiOk);
    EXPECT_TRUE(QTest::qWaitFor([&] { return chosen.count("Control change") == 2; }, Limit));
    EXPECT_EQ(services.closeOutput(out), MidiOk);
}

} // namespace
