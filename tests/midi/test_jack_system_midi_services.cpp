// SystemMidiServices on a real JACK server, below the ports: device lists, opening by name, order
// and completeness of large bursts; and the wire of RtMidi's own systems.
// First: a method of the input delivery behind it is named like the macro Qt defines for emit.
#include "midi/backend/rtmidi/RtMidiPorts.h"

#include "midi_test_helpers.h"
#include "support/JackTestSupport.h"

#include "midi/backend/system/SystemMidiServices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

using JackServices = jacktest::JackTest;

TEST_F(JackServices, ListsOtherClientsPortsWithTheirFullNamesButNotOurOwn)
{
    SystemMidiServices services(MidiSystem::Jack);
    jacktest::TestClient receiver(UniqueJackName("torvane-a-client-with-a-rather-long-name"),
                                  false);
    ASSERT_TRUE(receiver.ok());
    const int id = jacktest::waitForDevice(services, receiver.portName(), true);
    ASSERT_GE(id, 0);
    EXPECT_GT(receiver.portName().size(), 31u);

    CallbackRecorder done;
    MidiHandle handle = NoMidiHandle;
    ASSERT_EQ(done.openOutput(services, handle, id), MidiOk);
    // Our own port is on the server now, but is never offered as a device.
    const std::uint32_t outputs = services.outputDeviceCount();
    const std::uint32_t inputs = services.inputDeviceCount();
    for (std::uint32_t i = 0; i < outputs; ++i) {
        MidiOutCaps caps;
        ASSERT_EQ(services.outputDeviceCaps(int(i), caps), MidiOk);
        EXPECT_NE(caps.name.rfind(SystemMidiServices::clientName(), 0), 0u) << caps.name;
    }
    for (std::uint32_t i = 0; i < inputs; ++i) {
        MidiInCaps caps;
        ASSERT_EQ(services.inputDeviceCaps(int(i), caps), MidiOk);
        EXPECT_NE(caps.name.rfind(SystemMidiServices::clientName(), 0), 0u) << caps.name;
    }
    MidiOutCaps caps;
    EXPECT_EQ(services.outputDeviceCaps(int(outputs), caps), MidiErrBadDeviceId);
    EXPECT_EQ(services.closeOutput(handle), MidiOk);
}

// A device that went between the listing and the open is not connected, and says so: sends fail
// with that reason instead of going nowhere.
TEST_F(JackServices, ADeviceThatVanishedBeforeTheOpenIsNotConnected)
{
    SystemMidiServices services(MidiSystem::Jack);
    int id = -1;
    {
        jacktest::TestClient receiver(UniqueJackName("torvane-gone"), false);
        ASSERT_TRUE(receiver.ok());
        id = jacktest::waitForDevice(services, receiver.portName(), true);
        ASSERT_GE(id, 0);
    }
    CallbackRecorder done;
    MidiHandle handle = NoMidiHandle;
    ASSERT_EQ(done.openOutput(services, handle, id), MidiOk);
    EXPECT_TRUE(
        WaitForServer([&] { return services.outputHealth(handle) == MidiErrNotConnected; }));
    EXPECT_EQ(services.sendShortMessage(handle, 0x3F07B0), MidiErrNotConnected);
    EXPECT_EQ(services.closeOutput(handle), MidiOk);
}

// More messages than one JACK cycle's port buffer holds (about 2,700 short ones, 1,600 8-byte
// SysEx at the server's 32 KiB) must be paced over several cycles, never dropped or reordered.
TEST_F(JackServices, ABurstLargerThanOneCycleArrivesCompleteAndInOrder)
{
    SystemMidiServices services(MidiSystem::Jack);
    jacktest::TestClient receiver(UniqueJackName("torvane-capture"), false);
    ASSERT_TRUE(receiver.ok());
    const int id = jacktest::waitForDevice(services, receiver.portName(), true);
    ASSERT_GE(id, 0);
    CallbackRecorder done;
    MidiHandle handle = NoMidiHandle;
    ASSERT_EQ(done.openOutput(services, handle, id), MidiOk);

    constexpr int kEach = 4000;
    std::vector<std::array<std::uint8_t, 8>> blocks(kEach);
    std::vector<MidiHeader> headers(kEach);
    for (int i = 0; i < kEach; ++i) {
        blocks[i] = {0xF0, 0x70, 0x7E, std::uint8_t(i & 0x7F), std::uint8_t(i >> 7), 0, 0, 0xF7};
        headers[i].data = blocks[i].data();
        headers[i].bufferLength = 8;
        ASSERT_EQ(services.prepareOutputHeader(handle, &headers[i]), MidiOk);
    }
    for (int i = 0; i < kEach; ++i) {
        ASSERT_EQ(services.sendLongMessage(handle, &headers[i]), MidiOk);
        ASSERT_EQ(services.sendShortMessage(handle, 0xB0u | std::uint32_t(i & 0x7F) << 8 |
                                                        std::uint32_t(i >> 7) << 16),
                  MidiOk);
    }
    EXPECT_EQ(services.closeOutput(handle), MidiOk);
    EXPECT_EQ(done.completed().size(), std::size_t(kEach));

    std::vector<std::vector<std::uint8_t>> events;
    (void)WaitForServer([&] {
        events = receiver.received();
        return events.size() >= 2 * kEach;
    });
    ASSERT_EQ(events.size(), std::size_t(2 * kEach));
    for (int i = 0; i < kEach; ++i) {
        ASSERT_EQ(events[2 * i], std::vector<std::uint8_t>(blocks[i].begin(), blocks[i].end()))
            << "message " << i;
        ASSERT_EQ(events[2 * i + 1],
                  (std::vector<std::uint8_t>{0xB0, std::uint8_t(i & 0x7F), std::uint8_t(i >> 7)}))
            << "message " << i;
    }
    for (MidiHeader &header : headers) {
        EXPECT_EQ(header.flags & (MidiHdrDone | MidiHdrInQueue), MidiHdrDone);
        EXPECT_EQ(services.unprepareOutputHeader(handle, &header), MidiErrInvalidHandle);
    }
}

// The wire RtMidi's systems (WinMM, CoreMIDI) send through, driven here over
// RtMidi's JACK path, the one system these machines have: it hands RtMidi one whole message at a
// time, and once told to abandon it sends nothing more.
TEST_F(JackServices, RtMidiWireSendsWholeMessagesAndNothingOnceAbandoned)
{
    jacktest::TestClient receiver(UniqueJackName("torvane-rtmidi-capture"), false);
    ASSERT_TRUE(receiver.ok());
    MidiResult result = MidiErrUnspecified;
    const std::unique_ptr<RtMidiOutWire> wire =
        RtMidiOutWire::open(RtMidi::UNIX_JACK, UniqueJackName("torvane-rtmidi").toStdString(),
                            receiver.portName(), result);
    ASSERT_EQ(result, MidiOk);
    using Bytes = std::vector<std::uint8_t>;
    std::atomic<bool> abandon{true};
    const Bytes dropped = {0xB0, 0x07, 0x00};
    EXPECT_EQ(wire->write(dropped.data(), dropped.size(), {}, abandon), MidiErrNotReady);
    abandon = false;
    const Bytes block = {0xF0, 0x7E, 0xF8, 0x01, 0xF7, 0x90, 0x3C, 0x40, 0xC3, 0x0F};
    EXPECT_EQ(wire->write(block.data(), block.size(), {}, abandon), MidiOk);
    EXPECT_EQ(wire->health(), MidiOk);
    // What the first write sent, had it sent anything, would have come before these.
    std::vector<Bytes> events;
    (void)WaitForServer([&] { return (events = receiver.received()).size() >= 3; });
    EXPECT_EQ(events, (std::vector<Bytes>{
                          {0xF0, 0x7E, 0xF8, 0x01, 0xF7}, {0x90, 0x3C, 0x40}, {0xC3, 0x0F}}));
}

} // namespace
