// The shared memory, the event ring, TMyMidiHdr and MidiCallback, driven directly.
#include "midi/MidiBuffer.h"
#include "midi_test_helpers.h"
#include "support/Memory.h"

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using MidiBufferTest = MidiLeakChecked;

std::vector<MidiNotification> drain(NotificationQueue &queue)
{
    std::vector<MidiNotification> out;
    MidiNotification n;
    while (queue.pop(n))
        out.push_back(n);
    for (std::uint32_t number : {NotifyItemStored, NotifyItemDropped})
        for (std::uint32_t k = queue.takeCounted(number); k > 0; --k)
            out.push_back({number, 0});
    return out;
}

TEST_F(MidiBufferTest, SharedBlocksAreZeroFilledCountedAndFreed)
{
    const SharedBlock big = SharedAlloc(0xFFFF);
    ASSERT_NE(big.address, nullptr);
    std::vector<std::uint8_t> zeros(0xFFFF, 0);
    EXPECT_EQ(std::memcmp(big.address, zeros.data(), zeros.size()), 0);
    EXPECT_EQ(SharedAllocLiveCount(), 1);
    SharedFree(0, big.address); // a none handle releases nothing
    EXPECT_EQ(SharedAllocLiveCount(), 1);
    SharedFree(big.handle, big.address);

    SharedAllocFailAfter(0);
    const SharedBlock refused = SharedAlloc(16);
    EXPECT_EQ(refused.address, nullptr);
    EXPECT_EQ(refused.handle, 0u);
}

TEST_F(MidiBufferTest, RingOfThreeHoldsThreeAndWrapsPutPos)
{
    TMidiEventRing *ring = RingCreate(3);
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->End, ring->First + 3);
    EXPECT_EQ(ring->GetPos, ring->First);
    for (std::uint32_t i = 0; i < 3; ++i)
        EXPECT_TRUE(RingPut(ring, {i, 0x90 + i, nullptr}));
    EXPECT_EQ(ring->PutPos, ring->First) << "PutPos returns to First after the last slot";
    EXPECT_EQ(ring->Count.load(), 3);

    EXPECT_FALSE(RingPut(ring, {99, 0xB0, nullptr}));
    EXPECT_EQ(ring->Count.load(), 3);
    EXPECT_EQ(ring->First[0].Data, 0x90u) << "a refused item writes nothing";
    EXPECT_EQ(ring->PutPos, ring->First);
    RingDestroy(ring);
    RingDestroy(nullptr);
}

TEST_F(MidiBufferTest, RingGetTakesTheOldestAndFreesItsSlot)
{
    TMidiEventRing *ring = RingCreate(3);
    ASSERT_NE(ring, nullptr);
    TMidiRingEvent out{};
    EXPECT_FALSE(RingGet(ring, out)) << "an empty ring";
    for (std::uint32_t i = 0; i < 3; ++i)
        ASSERT_TRUE(RingPut(ring, {i, 0x90 + i, nullptr}));
    ASSERT_TRUE(RingGet(ring, out));
    EXPECT_EQ(out.Data, 0x90u);
    EXPECT_TRUE(RingPut(ring, {3, 0x93, nullptr})) << "the slot taken out is free again";
    EXPECT_FALSE(RingPut(ring, {4, 0x94, nullptr}));
    for (std::uint32_t i = 1; i <= 3; ++i) {
        ASSERT_TRUE(RingGet(ring, out));
        EXPECT_EQ(out.Data, 0x90u + i);
    }
    EXPECT_EQ(ring->GetPos, ring->First + 1) << "GetPos wraps like PutPos";
    EXPECT_FALSE(RingGet(ring, out));
    EXPECT_EQ(ring->Count.load(), 0);
    RingDestroy(ring);
}

TEST_F(MidiBufferTest, RingKeepsOrderWhileTheDriverWritesAndTheGuiReads)
{
    // The count has two writers: a lost increment or decrement shows up as a skipped, repeated
    // or stale item, or as a count that does not return to 0.
    // Many times round the 16 slots; fewer under ThreadSanitizer, where each access is slow.
    const std::uint32_t Items = UnderThreadSanitizer() ? 50'000 : 1'000'000;
    TMidiEventRing *ring = RingCreate(16);
    ASSERT_NE(ring, nullptr);
    std::atomic<bool> stop{false};
    std::thread driver([ring, &stop, Items] {
        for (std::uint32_t i = 0; i < Items && !stop;) {
            if (RingPut(ring, {i, i, nullptr}))
                ++i;
            else
                std::this_thread::yield(); // full: let the reader have the core (a busy machine)
        }
    });
    std::uint32_t expected = 0;
    std::uint32_t wrong = 0;
    TMidiRingEvent out{};
    // A count stuck at "full" or "empty" stalls both sides: give up after that many turns with
    // no item, rather than hang. Bounded by progress, not by the clock.
    for (long idle = 0; expected < Items && idle < 10'000'000; ++idle) {
        if (RingGet(ring, out)) {
            wrong += out.Data != expected++ ? 1 : 0;
            idle = 0;
        } else {
            std::this_thread::yield();
        }
    }
    stop = true;
    driver.join();
    EXPECT_EQ(expected, Items);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(ring->Count.load(), 0);
    RingDestroy(ring);
}

TEST_F(MidiBufferTest, EveryRingUpToTheLimitHoldsItsSlotsAndLargerOnesAreRefused)
{
    EXPECT_EQ(MaxRingSlots, 5461);
    // 4096 and up do not fit a 16-bit block where an item takes 16 bytes.
    for (const std::uint16_t n : {std::uint16_t{4095}, std::uint16_t{4096}, MaxRingSlots}) {
        SCOPED_TRACE(n);
        TMidiEventRing *ring = RingCreate(n);
        ASSERT_NE(ring, nullptr);
        EXPECT_EQ(ring->SlotCount, n);
        EXPECT_EQ(ring->End, ring->First + n);
        for (std::uint32_t i = 0; i < n; ++i)
            ASSERT_TRUE(RingPut(ring, {i, 0x90, nullptr}));
        EXPECT_FALSE(RingPut(ring, {n, 0x90, nullptr}));
        EXPECT_EQ(ring->End[-1].Timestamp, n - 1u) << "the last slot is in the storage";
        RingDestroy(ring);
    }
    for (const std::uint16_t n : {std::uint16_t{5462}, std::uint16_t{0xFFFF}})
        EXPECT_EQ(RingCreate(n), nullptr) << n;
}

TEST_F(MidiBufferTest, RingCreateReleasesTheRecordWhenStorageIsRefused)
{
    SharedAllocFailAfter(1); // the record succeeds, the storage fails
    EXPECT_EQ(RingCreate(8), nullptr);
    EXPECT_EQ(SharedAllocLiveCount(), 0);
}

TEST_F(MidiBufferTest, HeaderOfSizeZeroOwnsNothing)
{
    TMyMidiHdr empty(0);
    EXPECT_EQ(empty.Header, nullptr);
    EXPECT_EQ(empty.Data, nullptr);
    EXPECT_EQ(SharedAllocLiveCount(), 0);

    TMyMidiHdr eight(8);
    ASSERT_NE(eight.Header, nullptr);
    EXPECT_EQ(eight.Header->data, eight.Data);
    EXPECT_EQ(eight.Header->bufferLength, 8u);
    EXPECT_EQ(eight.Header->flags, 0u);
    EXPECT_EQ(eight.Header->user, 0u);
    EXPECT_EQ(SharedAllocLiveCount(), 2);
}

TEST_F(MidiBufferTest, HeaderWhoseDataBlockIsRefusedKeepsNothing)
{
    SharedAllocFailAfter(1);
    TMyMidiHdr refused(16);
    EXPECT_EQ(refused.Header, nullptr);
    EXPECT_EQ(refused.Data, nullptr);
    EXPECT_EQ(SharedAllocLiveCount(), 0);
}

// ---- MidiCallback ----

struct CallbackCase
{
    const char *name;
    std::uint32_t message;
    std::uintptr_t param1; // 0x1000 stands for a header address
    bool sysexOnly;
    bool withRing;
    int stored; // change of Count
    std::vector<std::uint32_t> posted;
};

class MidiCallbackTest : public MidiLeakChecked, public ::testing::WithParamInterface<CallbackCase>
{
};

TEST_P(MidiCallbackTest, StoresAndPostsAsTheMessageDemands)
{
    const CallbackCase &c = GetParam();
    NotificationQueue queue(16);
    TMidiCallbackBlock *block = CallbackBlockAlloc();
    ASSERT_NE(block, nullptr);
    block->Window = &queue;
    block->Ring = c.withRing ? RingCreate(4) : nullptr;
    block->SysexOnly = c.sysexOnly ? 1 : 0;

    MidiHeader header;
    const std::uintptr_t param1 =
        c.param1 == 0x1000 ? reinterpret_cast<std::uintptr_t>(&header) : c.param1;
    MidiCallback(1, c.message, reinterpret_cast<std::uintptr_t>(block), param1, 1234);

    if (block->Ring) {
        EXPECT_EQ(block->Ring->Count.load(), c.stored);
        if (c.stored == 1) {
            const TMidiRingEvent &item = block->Ring->First[0];
            EXPECT_EQ(item.Timestamp, 1234u);
            const bool isLong = c.message != MidiMsg::InData;
            EXPECT_EQ(item.Data, isLong ? 0u : param1);
            EXPECT_EQ(item.SysexHeader, isLong ? &header : nullptr);
        }
    }
    std::vector<std::uint32_t> posted;
    for (const MidiNotification &n : drain(queue)) {
        posted.push_back(n.number);
        EXPECT_EQ(n.param, n.number == NotifyOutputDone ? param1 : 0u);
    }
    EXPECT_EQ(posted, c.posted);
    RingDestroy(block->Ring);
    CallbackBlockFree(block);
}

// clang-format off
const CallbackCase CallbackCases[] = {
    {"NoteOnStored", MidiMsg::InData, 0x40'3C'90, false, true, 1, {963}},
    {"TimingClockDropped", MidiMsg::InData, 0xF8, false, true, 0, {}},
    {"ActiveSensingDropped", MidiMsg::InData, 0xFE, false, true, 0, {}},
    {"ActiveSensingDroppedSysexOnly", MidiMsg::InData, 0xFE, true, true, 0, {}},
    {"ShortDroppedWhenSysexOnly", MidiMsg::InData, 0x40'3C'90, true, true, 0, {}},
    {"LongStoredWhenSysexOnly", MidiMsg::InLongData, 0x1000, true, true, 1, {963}},
    {"LongStored", MidiMsg::InLongData, 0x1000, false, true, 1, {963}},
    {"LongErrorStored", MidiMsg::InLongError, 0x1000, false, true, 1, {963}},
    {"NoRingNothing", MidiMsg::InData, 0x40'3C'90, false, false, 0, {}},
    {"OutputDonePostsHeader", MidiMsg::OutDone, 0x1000, false, false, 0, {969}},
    {"InputErrorIgnored", MidiMsg::InError, 0x12, false, true, 0, {}},
    {"OpenIgnored", MidiMsg::InOpen, 0, false, true, 0, {}},
    {"CloseIgnored", MidiMsg::OutClose, 0, false, true, 0, {}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Messages, MidiCallbackTest, ::testing::ValuesIn(CallbackCases),
                         CaseName());

TEST_F(MidiBufferTest, CallbackPostsDroppedForEveryItemPastAFullRing)
{
    NotificationQueue queue(16);
    TMidiCallbackBlock *block = CallbackBlockAlloc();
    block->Window = &queue;
    block->Ring = RingCreate(3);
    const auto instance = reinterpret_cast<std::uintptr_t>(block);
    for (int i = 0; i < 5; ++i)
        MidiCallback(1, MidiMsg::InData, instance, 0x90 + i, i);
    EXPECT_EQ(block->Ring->Count.load(), 3);
    std::vector<std::uint32_t> posted;
    for (const MidiNotification &n : drain(queue))
        posted.push_back(n.number);
    EXPECT_EQ(posted, (std::vector<std::uint32_t>{963, 963, 963, 1024, 1024}));
    RingDestroy(block->Ring);
    CallbackBlockFree(block);
}

} // namespace
