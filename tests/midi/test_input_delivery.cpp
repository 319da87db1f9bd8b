// How one system input's received bytes become callback calls: short messages as packed words,
// SysEx in the queued receive buffers, reset handing every buffer back.
#include "midi/backend/MidiInputDelivery.h"
#include "midi_test_helpers.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

// A delivery with n queued buffers of the given size, started at time 0.
struct Fixture
{
    CallbackRecorder recorder;
    MidiInputDelivery delivery{7, &CallbackRecorder::callback, recorder.instance(), 8};
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<MidiHeader> headers;

    Fixture(int n, std::uint32_t size) : blocks(n, std::vector<std::uint8_t>(size)), headers(n)
    {
        for (int i = 0; i < n; ++i) {
            headers[i].data = blocks[i].data();
            headers[i].bufferLength = size;
            headers[i].flags = MidiHdrPrepared;
            EXPECT_EQ(delivery.addBuffer(&headers[i]), MidiOk);
        }
        delivery.start(0);
    }
    void receive(std::vector<std::uint8_t> bytes, std::uint64_t us = 0)
    {
        delivery.receive(bytes.data(), bytes.size(), us);
    }
};

using Bytes = std::vector<std::uint8_t>;

struct ShortCase
{
    const char *name;
    Bytes event;
    std::uint32_t message;
    std::uint32_t word;
};

class ShortMessages : public ::testing::TestWithParam<ShortCase>
{
};

TEST_P(ShortMessages, ArriveAsOnePackedWord)
{
    Fixture f(0, 0);
    f.receive(GetParam().event, 2'500'000);
    ASSERT_EQ(f.recorder.calls().size(), 1u);
    EXPECT_EQ(f.recorder.calls()[0].message, GetParam().message);
    EXPECT_EQ(f.recorder.calls()[0].param1, GetParam().word);
    EXPECT_EQ(f.recorder.calls()[0].param2, 2500u); // milliseconds since start
}

// clang-format off
const ShortCase ShortCases[] = {
    {"ControlChange", {0xB0, 0x07, 0x3F}, MidiMsg::InData, 0x3F07B0},
    {"ProgramChange", {0xC3, 0x0F}, MidiMsg::InData, 0x0FC3},
    {"DataBytesUnmasked", {0x90, 0x3C, 0x40}, MidiMsg::InData, 0x403C90},
    {"SongPosition", {0xF2, 0x01, 0x02}, MidiMsg::InData, 0x0201F2},
    {"TimingClock", {0xF8}, MidiMsg::InData, 0xF8},
    {"TruncatedNoteOn", {0x90, 0x3C}, MidiMsg::InError, 0x3C90},
    {"StrayDataByte", {0x3C}, MidiMsg::InError, 0x3C},
    {"StrayEndOfSysEx", {0xF7}, MidiMsg::InError, 0xF7},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Delivery, ShortMessages, ::testing::ValuesIn(ShortCases), CaseName());

TEST(InputDelivery, NothingIsDeliveredBeforeStart)
{
    CallbackRecorder recorder;
    MidiInputDelivery delivery(1, &CallbackRecorder::callback, recorder.instance());
    const Bytes cc{0xB0, 1, 2};
    delivery.receive(cc.data(), cc.size(), 0);
    EXPECT_TRUE(recorder.calls().empty());
}

TEST(InputDelivery, TimeStampsNeverGoBack)
{
    Fixture f(0, 0);
    f.receive({0xF8}, 5'900);
    f.receive({0xF8}, 4'100); // the system's estimate of an event's time wobbled
    f.receive({0xF8}, 7'000);
    ASSERT_EQ(f.recorder.calls().size(), 3u);
    EXPECT_EQ(f.recorder.calls()[0].param2, 5u);
    EXPECT_EQ(f.recorder.calls()[1].param2, 5u);
    EXPECT_EQ(f.recorder.calls()[2].param2, 7u);
}

TEST(InputDelivery, SysExFillsTheOldestBufferAndComesBackOnce)
{
    Fixture f(2, 16);
    const Bytes sysex{0xF0, 0x70, 0x7E, 0x00, 0x30, 0x00, 0x07, 0xF7};
    f.receive(sysex);
    ASSERT_EQ(f.recorder.calls().size(), 1u);
    EXPECT_EQ(f.recorder.calls()[0].message, MidiMsg::InLongData);
    EXPECT_EQ(f.recorder.calls()[0].param1, reinterpret_cast<std::uintptr_t>(&f.headers[0]));
    EXPECT_EQ(f.recorder.calls()[0].bytes, sysex);
    EXPECT_EQ(f.headers[0].flags & (MidiHdrDone | MidiHdrInQueue), MidiHdrDone);
    EXPECT_EQ(f.headers[1].flags & MidiHdrInQueue, MidiHdrInQueue);
    EXPECT_EQ(f.delivery.buffersHeld(), 1u);
}

TEST(InputDelivery, SysExLongerThanABufferContinuesInTheNext)
{
    Fixture f(3, 4);
    f.receive({0xF0, 1, 2, 3, 4, 5, 6, 0xF7});
    ASSERT_EQ(f.recorder.calls().size(), 2u);
    EXPECT_EQ(f.recorder.calls()[0].bytes, (Bytes{0xF0, 1, 2, 3}));
    EXPECT_EQ(f.recorder.calls()[1].bytes, (Bytes{4, 5, 6, 0xF7}));
    EXPECT_EQ(f.recorder.calls()[1].message, MidiMsg::InLongData);
    EXPECT_EQ(f.delivery.buffersHeld(), 1u);
}

TEST(InputDelivery, SysExFragmentsAcrossEventsJoinWithRealTimeBytesPassingThrough)
{
    Fixture f(1, 16);
    f.receive({0xF0, 1, 2});
    f.receive({0xF8});
    f.receive({3, 0xF7});
    ASSERT_EQ(f.recorder.calls().size(), 2u);
    EXPECT_EQ(f.recorder.calls()[0].message, MidiMsg::InData);
    EXPECT_EQ(f.recorder.calls()[0].param1, 0xF8u);
    EXPECT_EQ(f.recorder.calls()[1].bytes, (Bytes{0xF0, 1, 2, 3, 0xF7}));
}

TEST(InputDelivery, AStatusByteOrLostEventsCutASysExShort)
{
    for (const bool gap : {false, true}) {
        Fixture f(2, 16);
        f.receive({0xF0, 1, 2});
        if (gap) // what came after the gap is no part of it: data without a status
            f.delivery.lost();
        f.receive(gap ? Bytes{3, 0xF7} : Bytes{0xB0, 7, 9});
        ASSERT_GE(f.recorder.calls().size(), 2u);
        EXPECT_EQ(f.recorder.calls()[0].message, MidiMsg::InLongError);
        EXPECT_EQ(f.recorder.calls()[0].bytes, (Bytes{0xF0, 1, 2}));
        EXPECT_EQ(f.recorder.calls()[1].message, gap ? MidiMsg::InError : MidiMsg::InData);
        EXPECT_EQ(f.recorder.calls()[1].param1, gap ? 3u : 0x0907B0u);
    }
}

TEST(InputDelivery, SysExWithoutAQueuedBufferIsDroppedAndLaterMessagesStillArrive)
{
    Fixture f(1, 4);
    f.receive({0xF0, 1, 2, 3, 4, 5, 0xF7}); // fills the one buffer, the rest has nowhere to go
    f.receive({0xF0, 9, 0xF7});
    f.receive({0xC0, 5});
    ASSERT_EQ(f.recorder.calls().size(), 2u);
    EXPECT_EQ(f.recorder.calls()[0].bytes, (Bytes{0xF0, 1, 2, 3}));
    EXPECT_EQ(f.recorder.calls()[1].param1, 0x05C0u);
}

TEST(InputDelivery, ResetHandsBackThePartlyFilledBufferAndEveryQueuedOneThenStops)
{
    Fixture f(3, 16);
    f.receive({0xF0, 1, 2});
    f.delivery.reset();
    ASSERT_EQ(f.recorder.calls().size(), 3u);
    EXPECT_EQ(f.recorder.calls()[0].bytes, (Bytes{0xF0, 1, 2}));
    EXPECT_TRUE(f.recorder.calls()[1].bytes.empty());
    EXPECT_TRUE(f.recorder.calls()[2].bytes.empty());
    for (const MidiCall &call : f.recorder.calls())
        EXPECT_EQ(call.message, MidiMsg::InLongData);
    for (const MidiHeader &h : f.headers)
        EXPECT_EQ(h.flags & (MidiHdrDone | MidiHdrInQueue), MidiHdrDone);
    EXPECT_EQ(f.delivery.buffersHeld(), 0u);
    f.receive({0xB0, 1, 2});
    EXPECT_EQ(f.recorder.calls().size(), 3u);
}

TEST(InputDelivery, RefusesMoreBuffersThanItsQueueHolds)
{
    Fixture f(8, 4);
    MidiHeader extra;
    std::array<std::uint8_t, 4> block{};
    extra.data = block.data();
    extra.bufferLength = 4;
    EXPECT_EQ(f.delivery.addBuffer(&extra), MidiErrNoMemory);
    EXPECT_EQ(f.delivery.buffersHeld(), 8u);
}

} // namespace
