// The FIFO and sender thread of a system output, over a scripted wire.
#include "midi/backend/MidiOutputSender.h"
#include "midi_test_helpers.h"

#include <QTest>
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Records what is written; can hold every write back until released. A stubborn wire ignores
// abandon, as a system call that does not return would; it gives up by itself only after a long
// while, so that a close that waits for it fails the test instead of hanging it.
class ScriptedWire : public MidiWire
{
public:
    MidiResult write(const std::uint8_t *bytes, std::size_t size,
                     std::chrono::steady_clock::time_point,
                     const std::atomic<bool> &abandon) override
    {
        std::unique_lock lock(mutex_);
        ++writes_;
        changed_.notify_all();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (held_ && !(abandon.load() && !stubborn_)) {
            if (std::chrono::steady_clock::now() > giveUp) {
                gaveUp_ = true;
                return MidiErrNotReady;
            }
            changed_.wait_for(lock, std::chrono::milliseconds(1)); // abandon is polled
        }
        if (abandon.load() && !stubborn_)
            return MidiErrNotReady;
        lock.unlock();
        std::this_thread::sleep_for(delay_);
        lock.lock();
        written_.emplace_back(bytes, bytes + size);
        return writeResult;
    }
    MidiResult drain(std::chrono::steady_clock::time_point, const std::atomic<bool> &) override
    {
        return drainResult;
    }
    MidiResult health() const override { return MidiOk; }

    void hold(bool on, bool stubborn = false)
    {
        std::lock_guard lock(mutex_);
        held_ = on;
        stubborn_ = stubborn;
        changed_.notify_all();
    }
    // What every write (having written) and every drain return; set before sending.
    MidiResult writeResult = MidiOk, drainResult = MidiOk;
    // Each write takes this long: a slow system that keeps up.
    void slow(std::chrono::milliseconds delay) { delay_ = delay; }
    bool waitForWrites(int n)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return writes_ >= n; });
    }
    std::vector<Bytes> written()
    {
        std::lock_guard lock(mutex_);
        return written_;
    }
    bool gaveUp()
    {
        std::lock_guard lock(mutex_);
        return gaveUp_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool stubborn_ = false;
    bool gaveUp_ = false;
    int writes_ = 0;
    std::chrono::milliseconds delay_{0};
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
    auto wire = std::make_shared<ScriptedWire>();
    CallbackRecorder done;
    Message sysex({0xF0, 0x70, 0x7E, 0x00, 0x30, 0x00, 0x07, 0xF7});
    {
        MidiOutputSender sender(wire, 3, &CallbackRecorder::callback, done.instance());
        wire->hold(true); // the wire is slow: the short messages queue behind the long one
        ASSERT_EQ(sender.sendLong(&sysex.header), MidiOk);
        ASSERT_EQ(sender.sendShort(0x0FC3), MidiOk);
        ASSERT_EQ(sender.sendShort(0x3F07B0), MidiOk);
        wire->hold(false);
        sender.close();
    }
    EXPECT_EQ(wire->written(), (std::vector<Bytes>{sysex.bytes, {0xC3, 0x0F}, {0xB0, 0x07, 0x3F}}));
    ASSERT_EQ(done.completed(), std::vector<MidiHeader *>{&sysex.header});
    EXPECT_EQ(sysex.header.flags, MidiHdrPrepared | MidiHdrDone);
}

TEST(OutputSender, CloseWaitsWhileMessagesLeaveThenGivesUpAndHandsBackWhatWasNotSent)
{
    // A slow system that keeps up gets everything out, however long that takes in all.
    auto slow = std::make_shared<ScriptedWire>();
    slow->slow(std::chrono::milliseconds(10));
    CallbackRecorder sent;
    MidiOutputSender patient(slow, 3, &CallbackRecorder::callback, sent.instance());
    for (std::uint32_t i = 0; i < 30; ++i)
        ASSERT_EQ(patient.sendShort(0xB0 | i << 8), MidiOk);
    patient.close(std::chrono::milliseconds(150));
    EXPECT_EQ(slow->written().size(), 30u);

    // One that takes nothing gets nothing sent, and every header back.
    auto stalled = std::make_shared<ScriptedWire>();
    CallbackRecorder done;
    Message first({0xF0, 1, 0xF7});
    Message second({0xF0, 2, 0xF7});
    MidiOutputSender sender(stalled, 3, &CallbackRecorder::callback, done.instance());
    stalled->hold(true);
    ASSERT_EQ(sender.sendLong(&first.header), MidiOk);
    ASSERT_EQ(sender.sendLong(&second.header), MidiOk);
    sender.close(std::chrono::milliseconds(50));
    EXPECT_TRUE(stalled->written().empty());
    EXPECT_EQ(done.completed(), (std::vector<MidiHeader *>{&first.header, &second.header}));
    EXPECT_EQ(sender.sendShort(0x3F07B0), MidiErrInvalidHandle);
}

TEST(OutputSender, CloseReturnsWhenTheWireDoesNotLetGoAndHandsBackEveryHeaderOnce)
{
    auto wire = std::make_shared<ScriptedWire>();
    CallbackRecorder done;
    Message first({0xF0, 1, 0xF7});
    Message second({0xF0, 2, 0xF7});
    const std::size_t leftBefore = MidiOutputSender::wiresLeftBehind();
    {
        MidiOutputSender sender(wire, 3, &CallbackRecorder::callback, done.instance());
        wire->hold(true, true);
        ASSERT_EQ(sender.sendLong(&first.header), MidiOk);
        ASSERT_EQ(sender.sendLong(&second.header), MidiOk);
        ASSERT_TRUE(wire->waitForWrites(1));
        sender.close(std::chrono::milliseconds(20));
        EXPECT_FALSE(wire->gaveUp()) << "close waited for the wire";
    }
    EXPECT_EQ(done.completed(), (std::vector<MidiHeader *>{&first.header, &second.header}));
    EXPECT_EQ(first.header.flags, MidiHdrPrepared | MidiHdrDone);
    first.bytes.assign(first.bytes.size(), 0); // handed back: its port may free it now

    // The write ends at last; the thread left with it hands back nothing more and keeps the wire.
    wire->hold(false, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return MidiOutputSender::wiresLeftBehind() > leftBefore; }));
    EXPECT_EQ(done.calls().size(), 2u);
    EXPECT_EQ(wire->written(), (std::vector<Bytes>{{0xF0, 1, 0xF7}})) << "a copy was written";
}

// A message written but failed, or one that did not drain, fails the output with the wire's
// reason; what was queued behind it is never written.
TEST(OutputSender, AMessageNotDeliveredFailsTheOutputWithTheReason)
{
    for (const bool inDrain : {false, true}) {
        auto wire = std::make_shared<ScriptedWire>();
        (inDrain ? wire->drainResult : wire->writeResult) = MidiErrNotConnected;
        CallbackRecorder done;
        Message first({0xF0, 1, 0xF7});
        MidiOutputSender sender(wire, 3, &CallbackRecorder::callback, done.instance());
        wire->hold(true);
        ASSERT_EQ(sender.sendLong(&first.header), MidiOk);
        if (!inDrain) { // a drain comes only once the queue is empty
            ASSERT_EQ(sender.sendShort(0x3F07B0), MidiOk);
        }
        wire->hold(false);
        EXPECT_TRUE(QTest::qWaitFor([&] { return sender.health() == MidiErrNotConnected; }));
        EXPECT_EQ(sender.sendShort(0x3F07B0), MidiErrNotConnected);
        sender.close();
        EXPECT_EQ(wire->written(), std::vector<Bytes>{first.bytes});
    }
}

TEST(OutputSender, RefusesWhatCannotGoOutAsOneShortMessage)
{
    auto wire = std::make_shared<ScriptedWire>();
    CallbackRecorder done;
    MidiOutputSender sender(wire, 3, &CallbackRecorder::callback, done.instance());
    EXPECT_EQ(sender.sendShort(0x3F07), MidiErrInvalidParam); // running status
    EXPECT_EQ(sender.sendShort(0xF0), MidiErrInvalidParam);   // SysEx start
    EXPECT_EQ(sender.sendShort(0x808087B0), MidiOk);          // top byte ignored, data unmasked
    sender.close();
    EXPECT_EQ(wire->written(), (std::vector<Bytes>{{0xB0, 0x87, 0x80}}));
}

} // namespace
