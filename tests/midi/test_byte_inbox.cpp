// The byte ring between a producing thread and an event loop (the MIDI services' thread and the
// simulated box): order across the wrap, whole-message drops, the wake-up, and a producer
// thread racing the consumer.
#include "midi/backend/ByteInbox.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <thread>
#include <vector>

namespace {

bool Woken(const ByteInbox &inbox)
{
    pollfd watch{inbox.wakeHandle(), POLLIN, 0};
    return ::poll(&watch, 1, 0) == 1;
}

std::vector<std::uint8_t> PopAll(ByteInbox &inbox)
{
    std::vector<std::uint8_t> bytes(inbox.capacity());
    bytes.resize(inbox.pop(bytes.data(), bytes.size()));
    return bytes;
}

TEST(ByteInbox, KeepsOrderAcrossTheWrapAndDropsWholeMessagesWhenFull)
{
    ByteInbox inbox(16);
    ASSERT_EQ(inbox.capacity(), 16u);
    const std::vector<std::uint8_t> ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_TRUE(inbox.push(ten.data(), ten.size()));
    EXPECT_FALSE(inbox.push(ten.data(), ten.size())); // 6 free: dropped whole, not cut
    EXPECT_EQ(inbox.droppedMessages(), 1u);
    EXPECT_EQ(PopAll(inbox), ten);

    // The next ten bytes run over the end of the ring.
    const std::vector<std::uint8_t> other{10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    EXPECT_TRUE(inbox.push(other.data(), other.size()));
    EXPECT_TRUE(inbox.push(ten.data(), 6));
    std::vector<std::uint8_t> expected = other;
    expected.insert(expected.end(), ten.begin(), ten.begin() + 6);
    EXPECT_EQ(PopAll(inbox), expected);
    EXPECT_TRUE(PopAll(inbox).empty());
}

TEST(ByteInbox, WakesOncePerBurstUntilAcknowledged)
{
    ByteInbox inbox;
    ASSERT_GE(inbox.wakeHandle(), 0);
    EXPECT_FALSE(Woken(inbox));
    const std::uint8_t message[] = {0xB0, 0x07, 0x10};
    inbox.push(message, 3);
    inbox.push(message, 3);
    EXPECT_TRUE(Woken(inbox));
    inbox.acknowledgeWake();
    EXPECT_FALSE(Woken(inbox));
    EXPECT_EQ(PopAll(inbox).size(), 6u);
    inbox.push(message, 3); // after the acknowledgement, the next push wakes again
    EXPECT_TRUE(Woken(inbox));
}

TEST(ByteInbox, ProducerThreadAndConsumerKeepEveryMessageIntactAndInOrder)
{
    // Each message: its length, then a 32-bit serial number, then filler derived from it.
    constexpr std::uint32_t Messages = 200000;
    ByteInbox inbox(1024);
    std::thread producer([&] {
        std::vector<std::uint8_t> message;
        for (std::uint32_t serial = 0; serial < Messages; ++serial) {
            message.assign(5 + serial % 23, std::uint8_t(serial * 7));
            message[0] = std::uint8_t(message.size());
            for (int i = 0; i < 4; ++i)
                message[1 + i] = std::uint8_t(serial >> (8 * i));
            inbox.push(message.data(), message.size());
        }
    });

    std::vector<std::uint8_t> stream;
    std::uint32_t received = 0;
    std::int64_t lastSerial = -1;
    bool intact = true;
    auto consume = [&] {
        std::uint8_t chunk[300];
        while (const std::size_t size = inbox.pop(chunk, sizeof chunk))
            stream.insert(stream.end(), chunk, chunk + size);
        std::size_t at = 0;
        while (at < stream.size() && at + stream[at] <= stream.size()) {
            std::uint32_t serial = 0;
            for (int i = 0; i < 4; ++i)
                serial |= std::uint32_t(stream[at + 1 + i]) << (8 * i);
            intact = intact && stream[at] == 5 + serial % 23 && std::int64_t(serial) > lastSerial;
            for (std::size_t i = at + 5; i < at + stream[at]; ++i)
                intact = intact && stream[i] == std::uint8_t(serial * 7);
            lastSerial = serial;
            ++received;
            at += stream[at];
        }
        stream.erase(stream.begin(), stream.begin() + std::ptrdiff_t(at));
    };
    while (received + inbox.droppedMessages() < Messages && intact)
        consume();
    producer.join();
    consume();
    EXPECT_TRUE(intact);
    EXPECT_TRUE(stream.empty());
    EXPECT_EQ(received + inbox.droppedMessages(), Messages);
    EXPECT_GT(received, 0u);
}

} // namespace
