// The in-process devices: what the simulator receives and in which order, completions from the
// services' own thread, and the loopback from an output port to an input port.
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/simulated/SimulatedServices.h"
#include "midi_test_helpers.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gmock/gmock.h>
#include <mutex>
#include <thread>

using ::testing::ElementsAre;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Buffer
{
    explicit Buffer(std::size_t size) : bytes(size) { header.data = bytes.data(); }
    Bytes bytes;
    MidiHeader header;
    void fill(const Bytes &message)
    {
        bytes = message;
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
    }
};

using SimulatedServicesTest = MidiLeakChecked;

TEST_F(SimulatedServicesTest, OffersTheSimulatorAndTheLoopback)
{
    SimulatedServices services;
    ASSERT_EQ(services.outputDeviceCount(), 2u);
    ASSERT_EQ(services.inputDeviceCount(), 1u);
    MidiOutCaps out;
    ASSERT_EQ(services.outputDeviceCaps(0, out), MidiOk);
    EXPECT_EQ(out.name, "Torvane Simulator");
    ASSERT_EQ(services.outputDeviceCaps(1, out), MidiOk);
    EXPECT_EQ(out.name, "Virtual Loopback");
    MidiInCaps in;
    ASSERT_EQ(services.inputDeviceCaps(0, in), MidiOk);
    EXPECT_EQ(in.name, "Virtual Loopback");
    EXPECT_EQ(services.outputDeviceCaps(-1, out), MidiErrBadDeviceId) << "no mapper";
    EXPECT_EQ(services.outputDeviceCaps(2, out), MidiErrBadDeviceId);
    EXPECT_EQ(services.inputDeviceCaps(1, in), MidiErrBadDeviceId);
}

TEST_F(SimulatedServicesTest, SimulatorGetsEverythingInCallOrder)
{
    SimulatedServices services;
    TMidiOutput port(services);
    int completions = 0;
    port.Onmidioutput = [&](QObject *) { ++completions; };
    port.SetProductName("Torvane Simulator"); // found although there is no mapper
    ASSERT_TRUE(port.Open());
    const Bytes sysex = {0xF0, 0x70, 0x7E, 0x02, 0x34, 0x00, 0x07, 0xF7};
    port.SendShortMessage(0xC3, 0x0F, 0x55); // a program change has one data byte
    port.SendLongMessage(sysex.data(), 8);
    port.SendShortMessage(0xB0, 0x07, 0x64); // must not overtake the block before it
    services.waitIdle();
    EXPECT_THAT(services.simulatorMessages(),
                ElementsAre(Bytes{0xC3, 0x0F}, sysex, Bytes{0xB0, 0x07, 0x64}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions == 1; }));
    EXPECT_EQ(port.PendingLongMessages(), 0u);
}

TEST_F(SimulatedServicesTest, SinkReceivesTheBytesOnTheServicesThread)
{
    SimulatedServices services;
    std::mutex mutex;
    std::vector<Bytes> received;
    bool onCallerThread = false;
    const auto caller = std::this_thread::get_id();
    services.setSimulatorSink([&](const std::uint8_t *bytes, std::size_t size) {
        std::lock_guard lock(mutex);
        onCallerThread |= std::this_thread::get_id() == caller;
        received.emplace_back(bytes, bytes + size);
    });
    CallbackRecorder recorder;
    MidiHandle handle = NoMidiHandle;
    ASSERT_EQ(recorder.openOutput(services, handle, 0), MidiOk);
    services.sendShortMessage(handle, 0x00403C90);
    services.waitIdle();
    EXPECT_TRUE(services.simulatorMessages().empty());
    {
        std::lock_guard lock(mutex);
        EXPECT_THAT(received, ElementsAre(Bytes{0x90, 0x3C, 0x40}));
        EXPECT_FALSE(onCallerThread);
    }
    EXPECT_EQ(services.closeOutput(handle), MidiOk);
}

TEST_F(SimulatedServicesTest, CompletionsComeInOrderFromTheServicesThreadAndCloseWaitsForThem)
{
    SimulatedServices services;
    CallbackRecorder recorder;
    MidiHandle handle = NoMidiHandle;
    ASSERT_EQ(recorder.openOutput(services, handle, 0), MidiOk);
    MidiHandle second = NoMidiHandle;
    EXPECT_EQ(services.openOutput(second, 0, CallbackRecorder::callback, 0), MidiErrAllocated);

    std::vector<std::unique_ptr<Buffer>> buffers;
    for (std::uint8_t i = 0; i < 5; ++i) {
        buffers.push_back(std::make_unique<Buffer>(0));
        buffers.back()->fill({0xF0, i, 0xF7});
        ASSERT_EQ(services.prepareOutputHeader(handle, &buffers.back()->header), MidiOk);
        ASSERT_EQ(services.sendLongMessage(handle, &buffers.back()->header), MidiOk);
    }
    EXPECT_EQ(services.closeOutput(handle), MidiOk); // returns after every completion

    const auto calls = recorder.calls();
    ASSERT_EQ(calls.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(calls[i].message, MidiMsg::OutDone);
        EXPECT_EQ(calls[i].param1, reinterpret_cast<std::uintptr_t>(&buffers[i]->header));
        EXPECT_NE(calls[i].thread, std::this_thread::get_id());
        EXPECT_EQ(buffers[i]->header.flags & (MidiHdrDone | MidiHdrInQueue), MidiHdrDone);
    }
    EXPECT_EQ(services.sendShortMessage(handle, 0x90), MidiErrInvalidHandle);
}

TEST_F(SimulatedServicesTest, InputBuffersComeBackOnResetAndBlockTheClose)
{
    SimulatedServices services;
    CallbackRecorder recorder;
    MidiHandle handle = NoMidiHandle;
    ASSERT_EQ(recorder.openInput(services, handle, 0), MidiOk);
    Buffer a(16), b(16);
    a.header.bufferLength = b.header.bufferLength = 16;
    for (Buffer *buffer : {&a, &b}) {
        ASSERT_EQ(services.prepareInputHeader(handle, &buffer->header), MidiOk);
        ASSERT_EQ(services.addInputBuffer(handle, &buffer->header), MidiOk);
    }
    EXPECT_EQ(services.closeInput(handle), MidiErrStillPlaying);
    EXPECT_EQ(services.unprepareInputHeader(handle, &a.header), MidiErrStillPlaying);
    EXPECT_EQ(services.resetInput(handle), MidiOk);
    const auto calls = recorder.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].param1, reinterpret_cast<std::uintptr_t>(&a.header));
    EXPECT_EQ(calls[1].param1, reinterpret_cast<std::uintptr_t>(&b.header));
    EXPECT_EQ(calls[1].message, MidiMsg::InLongData);
    EXPECT_EQ(services.unprepareInputHeader(handle, &a.header), MidiOk);
    EXPECT_EQ(services.unprepareInputHeader(handle, &b.header), MidiOk);
    EXPECT_EQ(services.closeInput(handle), MidiOk);
}

TEST_F(SimulatedServicesTest, LoopbackParsesAStreamWithRunningStatus)
{
    SimulatedServices services;
    CallbackRecorder in;
    MidiHandle input = NoMidiHandle;
    ASSERT_EQ(in.openInput(services, input, 0), MidiOk);
    CallbackRecorder out;
    MidiHandle output = NoMidiHandle;
    ASSERT_EQ(out.openOutput(services, output, 1), MidiOk);

    services.sendShortMessage(output, 0x00403C90); // before Start: nobody listens
    services.waitIdle();
    ASSERT_EQ(services.startInput(input), MidiOk);
    Buffer stream(0);
    stream.fill({0x90, 0x3C, 0x40, 0x3C, 0x00, 0xF8, 0xC1, 0x05});
    ASSERT_EQ(services.prepareOutputHeader(output, &stream.header), MidiOk);
    ASSERT_EQ(services.sendLongMessage(output, &stream.header), MidiOk);
    services.waitIdle();

    std::vector<std::uintptr_t> words;
    for (const MidiCall &call : in.calls()) {
        EXPECT_EQ(call.message, MidiMsg::InData);
        words.push_back(call.param1);
    }
    EXPECT_THAT(words, ElementsAre(0x403C90u, 0x003C90u, 0xF8u, 0x05C1u));
    EXPECT_EQ(services.closeOutput(output), MidiOk);
    EXPECT_EQ(services.resetInput(input), MidiOk);
    EXPECT_EQ(services.closeInput(input), MidiOk);
}

class LoopbackPortsTest : public MidiLeakChecked
{
protected:
    void SetUp() override
    {
        MidiLeakChecked::SetUp();
        output.SetProductName("Virtual Loopback");
        input.SetProductName("Virtual Loopback");
    }
    void TearDown() override
    {
        input.Close();
        output.Close();
        QCoreApplication::processEvents();
        // The ports still exist; what they keep is the callback block of each.
        EXPECT_EQ(newBlocks(), 2);
        EXPECT_EQ(newHeaders(), 0);
    }

    SimulatedServices services;
    TMidiOutput output{services};
    TMidiInput input{services};
};

TEST_F(LoopbackPortsTest, WhatGoesOutComesInOnTheGuiThread)
{
    bool wrongThread = false;
    int received = 0;
    input.OnMidiInput = [&](QObject *) {
        wrongThread |= QThread::currentThread() != qApp->thread();
        ++received;
    };
    input.SetSysexBufferCount(2);
    input.SetSysexBufferSize(64);
    input.Open();
    input.Start();
    ASSERT_TRUE(output.Open());

    const Bytes sysex = {0xF0, 0x70, 0x7E, 0x02, 0x34, 0x00, 0x07, 0xF7};
    output.SendShortMessage(0xB0, 0x07, 0x64);
    output.SendShortMessage(0xF8, 0, 0); // timing clock: never stored
    output.SendLongMessage(sysex.data(), 8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received == 2; }));
    EXPECT_FALSE(wrongThread);
    ASSERT_EQ(input.EventCount(), 2);
    const TMidiEventRing *ring = input.EventRing();
    EXPECT_EQ(ring->First[0].Data, 0x6407B0u);
    const MidiHeader *header = ring->First[1].SysexHeader;
    ASSERT_EQ(header, (*input.SysexHeaders())[0]->Header);
    EXPECT_EQ(Bytes(header->data, header->data + header->bytesRecorded), sysex);
}

TEST_F(LoopbackPortsTest, LongSysexContinuesInTheNextBuffer)
{
    input.SetSysexBufferCount(3);
    input.SetSysexBufferSize(4);
    input.Open();
    input.Start();
    ASSERT_TRUE(output.Open());
    const Bytes sysex = {0xF0, 1, 2, 3, 4, 5, 0xF7};
    output.SendLongMessage(sysex.data(), static_cast<std::uint16_t>(sysex.size()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.EventCount() == 2; }));
    const TMidiEventRing *ring = input.EventRing();
    EXPECT_EQ(ring->First[0].SysexHeader->bytesRecorded, 4u);
    EXPECT_EQ(ring->First[1].SysexHeader->bytesRecorded, 3u);
    EXPECT_EQ(ring->First[1].SysexHeader->data[0], 4);
}

TEST_F(LoopbackPortsTest, ItemsTakenOutInOrderAndSysexBuffersQueuedAgainKeepSysexComing)
{
    input.SetSysexBufferCount(2);
    input.SetSysexBufferSize(16);
    input.Open();
    input.Start();
    ASSERT_TRUE(output.Open());
    std::vector<Bytes> received;
    // Five SysEx through two buffers, each taken out and handed back before the next is sent.
    for (std::uint8_t n = 1; n <= 5; ++n) {
        const Bytes sysex = {0xF0, n, 0xF7};
        output.SendShortMessage(0x90, n, 0x40);
        output.SendLongMessage(sysex.data(), 3);
        TMidiRingEvent event;
        for (int items = 0; items < 2;) {
            if (!input.TakeEvent(event)) {
                QTest::qWait(1);
                continue;
            }
            ++items;
            if (MidiHeader *header = event.SysexHeader) {
                received.emplace_back(header->data, header->data + header->bytesRecorded);
                input.RequeueSysexBuffer(header);
            } else {
                received.push_back({std::uint8_t(event.Data), std::uint8_t(event.Data >> 8)});
            }
        }
    }
    ASSERT_EQ(received.size(), 10u);
    for (std::uint8_t n = 1; n <= 5; ++n) {
        EXPECT_EQ(received[2 * (n - 1)], (Bytes{0x90, n}));
        EXPECT_EQ(received[2 * n - 1], (Bytes{0xF0, n, 0xF7}));
    }
    TMidiRingEvent none;
    EXPECT_FALSE(input.TakeEvent(none));
    EXPECT_EQ(input.EventCount(), 0);
    input.Close();
    EXPECT_FALSE(input.TakeEvent(none)) << "a closed port has no ring to read";
}

} // namespace
