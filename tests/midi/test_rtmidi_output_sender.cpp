// The FIFO and sender thread of a system output, over a scripted wire.
#include "midi/backend/MidiOutputSender.h"
#include "midi_test_helpers.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Records what is written; can hold every write back until released.
class ScriptedWire : public MidiWire
{
public:
    MidiResult write(const std::uint8_t *bytes, std::size_t size,
                     std::chrono::steady_clock::time_point,
                     const std::atomic<bool> &abandon) override
    {
        std::unique_lock lock(mutex_);
        while (held_ && !abandon.load())
            changed_.wait_for(lock, std::chrono::milliseconds(1));
        if (abandon.load())
            return MidiErrNotReady;
        written_.emplace_back(bytes, bytes + size);
        return MidiOk;
    }
    void drain(std::chrono::steady_clock::time_point) override {}
    MidiResult health() const override { return MidiOk; }

    void hold(bool on)
    {
        std::lock_guard lock(mutex_);
        held_ = on;
        changed_.notify_all();
    }
    std::vector<Bytes> written()
    {
        std::lock_guard lock(mutex_);
        return written_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    std::vector<Bytes> written_;
};

struct Message
{
    Bytes bytes;
    MidiHeader header;
    explicit Message(Bytes b) : bytes(std::move(b))
    {
        header.data = bytes.data();
        header.bufferLength = std::uint32_t(bytes.size());
        header.flags = MidiHdrPrepared | MidiHdrInQueue;
    }
};

TEST(OutputSender, MessagesLeaveInCallOrderAndLongOnesComeBackOnce)
{
    ScriptedWire wire;
    CallbackRecorder done;
    Message sysex({0xF0, 0x70, 0x7E, 0x00, 0x30, 0x00, 0x07, 0xF7});
    {
        MidiOutputSender sender(wire, 3, &CallbackRecorder::callback, done.instance());
        wire.hold(true); // the wire is slow: the short messages queue behind the long one
        ASSERT_EQ(sender.sendLong(&sysex.header), MidiOk);
        ASSERT_EQ(sender.sendShort(0x0FC3), MidiOk);
        ASSERT_EQ(sender.sendShort(0x3F07B0), MidiOk);
        wire.hold(false);
        sender.close();
    }
    EXPECT_EQ(wire.written(), (std::vector<Bytes>{sysex.bytes, {0xC3, 0x0F}, {0xB0, 0x07, 0x3F}}));
    ASSERT_EQ(done.completed(), std::vector<MidiHeader *>{&sysex.header});
    EXPECT_EQ(sysex.header.flags, MidiHdrPrepared | MidiHdrDone);
}

TEST(OutputSender, CloseGivesUpAfterTheDrainLimitAndHandsBackWhatWasNotSent)
{
    ScriptedWire wire;
    CallbackRecorder done;
    Message first({0xF0, 1, 0xF7});
    Message second({0xF0, 2, 0xF7});
    MidiOutputSender sender(wire, 3, &CallbackRecorder::callback, done.instance());
    wire.hold(true); // the system never takes anything
    ASSERT_EQ(sender.sendLong(&first.header), MidiOk);
    ASSERT_EQ(sender.sendLong(&second.header), MidiOk);
    sender.close(std::chrono::milliseconds(50));
    EXPECT_TRUE(wire.written().empty());
    EXPECT_EQ(done.completed(), (std::vector<MidiHeader *>{&first.header, &second.header}));
    EXPECT_EQ(sender.sendShort(0x3F07B0), MidiErrInvalidHandle);
}

TEST(OutputSender, RefusesWhatCannotGoOutAsOneShortMessage)
{
    ScriptedWire wire;
    CallbackRecorder done;
    MidiOutputSender sender(wire, 3, &CallbackRecorder::callback, done.instance());
    EXPECT_EQ(sender.sendShort(0x3F07), MidiErrInvalidParam); // running status
    EXPECT_EQ(sender.sendShort(0xF0), MidiErrInvalidParam);   // SysEx start
    EXPECT_EQ(sender.sendShort(0x808087B0), MidiOk);          // top byte ignored, data unmasked
    sender.close();
    EXPECT_EQ(wire.written(), (std::vector<Bytes>{{0xB0, 0x87, 0x80}}));
}

} // namespace
