// The notification queue and sink: posting order across threads, the overflow rules, and
// delivery on the GUI thread through the event loop.
#include "midi/MidiNotifications.h"
#include "midi/NotificationSink.h"
#include "midi_test_helpers.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

TEST(NotificationQueueTest, FullQueueCountsItemNotificationsAndRefusesOthers)
{
    NotificationQueue queue(4);
    EXPECT_EQ(queue.capacity(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(queue.post(NotifyOutputDone, 0x100 + i));
    EXPECT_TRUE(queue.post(NotifyItemStored, 0));
    EXPECT_TRUE(queue.post(NotifyItemDropped, 0));
    EXPECT_TRUE(queue.post(NotifyItemDropped, 0));
    EXPECT_FALSE(queue.post(NotifyOutputDone, 0x200)) << "a parameter cannot be counted";
    EXPECT_EQ(queue.lostCount(), 1u);

    MidiNotification n;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(queue.pop(n));
        EXPECT_EQ(n.param, 0x100u + i);
    }
    EXPECT_FALSE(queue.pop(n));
    EXPECT_EQ(queue.takeCounted(NotifyItemStored), 1u);
    EXPECT_EQ(queue.takeCounted(NotifyItemDropped), 2u);
    EXPECT_EQ(queue.takeCounted(NotifyItemDropped), 0u);
}

TEST(NotificationSinkTest, DeliversOnTheGuiThreadInPostingOrder)
{
    std::vector<std::uintptr_t> received;
    std::atomic<int> handled{0};
    bool wrongThread = false;
    NotificationSink sink([&](std::uint32_t number, std::uintptr_t param) {
        wrongThread |= QThread::currentThread() != qApp->thread();
        if (number == NotifyOutputDone)
            received.push_back(param);
        handled.store(int(received.size()));
    });
    constexpr int total = 20000; // more than the queue holds: the GUI thread must keep up
    NotificationQueue *queue = sink.queue();
    std::atomic<int> refused{0};
    std::thread driver([&] {
        for (int i = 1; i <= total; ++i) {
            // As the output port does: never more completions in flight than the queue holds.
            while (i - handled.load() > int(queue->capacity()))
                std::this_thread::yield();
            // Posted once: a completion refused or lost would leak its buffer.
            if (!queue->post(NotifyOutputDone, i))
                ++refused;
        }
    });
    const bool all = QTest::qWaitFor([&] { return received.size() == total; }, 20000);
    driver.join();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_EQ(queue->lostCount(), 0u);
    ASSERT_TRUE(all) << received.size();
    EXPECT_FALSE(wrongThread);
    for (int i = 0; i < total; ++i)
        ASSERT_EQ(received[i], std::uintptr_t(i + 1));
}

TEST(NotificationSinkTest, ReceiverThatThrowsLeavesTheRestForTheNextTurnUnlessTheSinkIsGone)
{
    std::vector<std::uintptr_t> received;
    NotificationSink sink([&](std::uint32_t, std::uintptr_t param) {
        received.push_back(param);
        if (param == 2)
            throw std::runtime_error("handler failed");
    });
    for (int i = 1; i <= 3; ++i)
        sink.queue()->post(NotifyOutputDone, i);
    EXPECT_THROW(sink.deliverPending(), std::runtime_error);
    EXPECT_EQ(received, (std::vector<std::uintptr_t>{1, 2}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 3; }));

    // A handler that destroys the port owning the sink, then throws: the queue went with it
    // and must not be touched (the sanitizer build sees it).
    std::unique_ptr<NotificationSink> owned;
    owned = std::make_unique<NotificationSink>([&](std::uint32_t, std::uintptr_t) {
        owned.reset();
        throw std::runtime_error("handler failed");
    });
    NotificationSink *gone = owned.get();
    gone->queue()->post(NotifyOutputDone, 1);
    gone->queue()->post(NotifyOutputDone, 2);
    EXPECT_THROW(gone->deliverPending(), std::runtime_error);
    EXPECT_EQ(owned, nullptr);
}

} // namespace
