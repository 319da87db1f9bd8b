// The simulated box against the byte sequences the editor sends: assignments, the channel
// change addressed to the old channel, flash and power cycle, Control Change moving only the
// outputs on that controller, and the Kessel's Program Change and CC 31 on channel 16.
#include "sim_test_helpers.h"
#include "support/Printing.h"

#include <gtest/gtest.h>

using sim::RejectReason;
using simtest::RecordingBox;

namespace {

constexpr std::uint8_t Ch(int midiChannel)
{
    return std::uint8_t(midiChannel - 1);
}

TEST(TorvaneBox, StartsFromFlash)
{
    sim::ConverterSetup flash;
    flash.channel = Ch(4);
    flash.controllers[2] = 9;
    const sim::TorvaneBox box(flash);
    EXPECT_EQ(box.state().working, flash);
    EXPECT_TRUE(box.state().flashMatches());
    EXPECT_EQ(box.state().levels, decltype(box.state().levels){});

    const sim::TorvaneBox factory;
    EXPECT_EQ(factory.state().working.channel, Ch(1));
    for (const std::uint8_t controller : factory.state().working.controllers)
        EXPECT_EQ(controller, sim::NoController);
}

TEST(TorvaneBox, AssignsOutputsFromParameterMessages)
{
    RecordingBox r;
    r.Feed("F0 70 7E 00 30 00 07 F7"); // output 1 on controller 7
    r.Feed("F0 70 7E 00 34 04 00 F7"); // output 5 on controller 64
    r.Feed("F0 70 7E 00 34 0F 0F F7"); // output 5 back to none
    r.Feed("F0 70 7E 00 35 0F 0E F7"); // output 6 on 254: kept, follows nothing
    const auto &working = r.box.state().working;
    EXPECT_EQ(working.controllers[0], 7);
    EXPECT_EQ(working.controllers[4], sim::NoController);
    EXPECT_EQ(working.controllers[5], 0xFE);
    EXPECT_EQ(sim::controllerText(working.controllers[5]), "invalid 254");
    EXPECT_EQ(r.box.state().accepted, 4u);
    EXPECT_EQ(r.box.state().rejected, 0u);
    EXPECT_FALSE(r.box.state().flashMatches());
}

TEST(TorvaneBox, ChangesChannelByAMessageAddressedToTheOldOne)
{
    RecordingBox r;
    r.Feed("F0 70 7E 00 2F 00 04 F7"); // channel 1 -> 5
    EXPECT_EQ(r.box.state().working.channel, Ch(5));
    r.Feed("F0 70 7E 00 30 00 07 F7"); // still for channel 1: now someone else's
    EXPECT_EQ(r.outcomes.back().rejected, RejectReason::OtherChannel);
    r.Feed("F0 70 7E 04 2F 00 0F F7"); // 5 -> 16
    r.Feed("F0 70 7E 0F 4F 04 0A F7"); // output 32 on controller 74, on channel 16
    EXPECT_EQ(r.box.state().working.controllers[31], 74);
    r.Feed("F0 70 7E 0F 2F 01 02 F7"); // value 0x12: only the low 4 bits count
    EXPECT_EQ(r.box.state().working.channel, Ch(3));
    r.Feed("F0 70 7E 02 2F 00 09 F7"); // 3 -> 10
    EXPECT_EQ(r.box.state().working.channel, Ch(10));
    EXPECT_EQ(r.box.state().rejected, 1u);
}

TEST(TorvaneBox, WritesFlashAndComesBackFromItAfterAPowerCycle)
{
    RecordingBox r;
    r.Feed("F0 70 7E 00 2F 00 02 F7 F0 70 7E 02 30 00 07 F7"); // channel 3, output 1 on 7
    r.Feed("F0 70 7E 02 70 07 0B F7");                         // write to flash
    EXPECT_TRUE(r.box.state().flashMatches());
    EXPECT_EQ(r.box.state().flashWrites, 1u);
    EXPECT_EQ(r.box.state().flash.controllers[0], 7);

    r.Feed("F0 70 7E 02 30 00 08 F7 B2 08 55 CF 04"); // reassign, move it, select Kessel input 4
    EXPECT_FALSE(r.box.state().flashMatches());
    EXPECT_EQ(r.box.state().levels[0], 0x55);
    r.box.powerCycle();
    EXPECT_EQ(r.box.state().working.controllers[0], 7);
    EXPECT_EQ(r.box.state().working.channel, Ch(3));
    EXPECT_EQ(r.box.state().levels[0], 0);
    EXPECT_EQ(r.box.state().kessel.input, 4); // the patch bay is a unit of its own

    r.Feed("F0 70 7E 02 70 07 0B F7"); // a write that changes nothing is still a write
    EXPECT_EQ(r.box.state().flashWrites, 2u);
}

TEST(TorvaneBox, ControlChangeMovesOnlyTheOutputsOnThatController)
{
    RecordingBox r;
    r.Feed("F0 70 7E 00 30 00 07 F7 F0 70 7E 00 32 00 07 F7 F0 70 7E 00 33 00 08 F7");
    r.Feed("B0 07 3F");
    const auto &levels = r.box.state().levels;
    EXPECT_EQ(levels[0], 0x3F);
    EXPECT_EQ(levels[2], 0x3F);
    EXPECT_EQ(levels[3], 0);
    EXPECT_EQ(levels[1], 0); // on no controller
    r.Feed("B1 08 7F");      // another channel
    EXPECT_EQ(levels[3], 0);
    EXPECT_EQ(r.outcomes.back().rejected, RejectReason::OtherChannel);
    r.Feed("B0 09 11"); // a controller no output follows: heard, and nothing moves
    EXPECT_FALSE(r.outcomes.back().rejected);
    EXPECT_EQ(levels[0], 0x3F);
}

TEST(TorvaneBox, KesselListensOnChannel16)
{
    RecordingBox r;
    r.Feed("CF 03");
    EXPECT_EQ(r.box.state().kessel.input, 3);
    r.Feed("BF 1F 01");
    EXPECT_TRUE(r.box.state().kessel.merge);
    r.Feed("BF 1F 00");
    EXPECT_FALSE(r.box.state().kessel.merge);
    r.Feed("BF 1F 40");
    EXPECT_TRUE(r.box.state().kessel.merge);
    r.Feed("CF 07");
    EXPECT_EQ(r.box.state().kessel.input, 7);
    r.Feed("C0 02 BE 1F 00"); // not channel 16
    EXPECT_EQ(r.box.state().kessel.input, 7);
    EXPECT_TRUE(r.box.state().kessel.merge);

    // With the converter on channel 16 too, CC 31 reaches both.
    r.Feed("F0 70 7E 00 2F 00 0F F7 F0 70 7E 0F 30 01 0F F7 BF 1F 00");
    EXPECT_FALSE(r.box.state().kessel.merge);
    r.Feed("BF 1F 22");
    EXPECT_EQ(r.box.state().levels[0], 0x22);
    EXPECT_TRUE(r.box.state().kessel.merge);
}

// Every way a message is turned down, with the bytes the box keeps as the last rejection.
struct RejectionCase
{
    const char *name;
    const char *input;
    RejectReason reason;
    const char *shown;
};

class Rejections : public ::testing::TestWithParam<RejectionCase>
{
};

TEST_P(Rejections, AreCountedWithTheReasonAndChangeNothing)
{
    const RejectionCase &c = GetParam();
    RecordingBox r;
    r.Feed("F0 70 7E 00 30 00 07 F7 B0 07 20"); // something to spoil
    const sim::BoxState before = r.box.state();
    r.Feed(c.input);
    const sim::BoxState &after = r.box.state();
    EXPECT_EQ(after.rejected, 1u);
    EXPECT_EQ(after.accepted, before.accepted);
    ASSERT_TRUE(after.lastRejection);
    EXPECT_EQ(after.lastRejection->reason, c.reason);
    EXPECT_EQ(sim::hexBytes(after.lastRejection->message), c.shown);
    EXPECT_EQ(after.working, before.working);
    EXPECT_EQ(after.flash, before.flash);
    EXPECT_EQ(after.levels, before.levels);
    EXPECT_EQ(after.kessel, before.kessel);
}

// clang-format off
const RejectionCase RejectionCases[] = {
    {"UniversalSysEx", "F0 7E 7F 09 01 F7", RejectReason::OtherHeader, "F0 7E 7F 09 01 F7"},
    {"SecondHeaderByte", "F0 70 7F 00 30 00 07 F7", RejectReason::OtherHeader, "F0 70 7F 00 30 00 07 F7"},
    {"OneByteTooMany", "F0 70 7E 00 30 00 07 00 F7", RejectReason::WrongLength, "F0 70 7E 00 30 00 07 00 F7"},
    {"OneByteShort", "F0 70 7E 00 30 07 F7", RejectReason::WrongLength, "F0 70 7E 00 30 07 F7"},
    {"HeaderOnly", "F0 70 F7", RejectReason::WrongLength, "F0 70 F7"},
    {"FarTooLong", "F0 70 7E 00 30 00 07 00 00 00 00 00 00 00 00 00 00 00 00 00 F7", RejectReason::WrongLength, "F0 70 7E 00 30 00 07 00 00 00 00 00 00 00 00 00 ... (21 bytes)"},
    {"ParameterForChannel2", "F0 70 7E 01 30 00 09 F7", RejectReason::OtherChannel, "F0 70 7E 01 30 00 09 F7"},
    {"ControlChangeForChannel4", "B3 07 10", RejectReason::OtherChannel, "B3 07 10"},
    {"NoteOnChannel2", "91 40 7F", RejectReason::OtherChannel, "91 40 7F"},
    {"Parameter46", "F0 70 7E 00 2E 00 01 F7", RejectReason::UnknownParameter, "F0 70 7E 00 2E 00 01 F7"},
    {"Parameter80", "F0 70 7E 00 50 00 01 F7", RejectReason::UnknownParameter, "F0 70 7E 00 50 00 01 F7"},
    {"FlashWithValue122", "F0 70 7E 00 70 07 0A F7", RejectReason::WrongFlashValue, "F0 70 7E 00 70 07 0A F7"},
    {"HighNibbleOf16", "F0 70 7E 00 30 10 07 F7", RejectReason::ValueNibbleTooLarge, "F0 70 7E 00 30 10 07 F7"},
    {"StatusByteInsideTheBlock", "F0 70 7E 00 30 00 90", RejectReason::HighByteInMessage, "F0 70 7E 00 30 00 90"},
    {"KesselInput8", "CF 08", RejectReason::KesselInputOutOfRange, "CF 08"},
    {"NoteOnOnTheBoxChannel", "90 40 7F", RejectReason::NotUsedByTheBox, "90 40 7F"},
    {"ProgramChangeOnTheBoxChannel", "C0 05", RejectReason::NotUsedByTheBox, "C0 05"},
    {"OtherKesselController", "BF 07 10", RejectReason::NotUsedByTheBox, "BF 07 10"},
    {"SongPosition", "F2 00 00", RejectReason::NotUsedByTheBox, "F2 00 00"},
    {"ControlChangeCutByTheNext", "B0 07 F0", RejectReason::CutShort, "B0 07"},
    {"EndWithoutStart", "F7", RejectReason::EndWithoutStart, "F7"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(TorvaneBox, Rejections, ::testing::ValuesIn(RejectionCases), CaseName());

TEST(TorvaneBox, DataWithoutAnyStatusAtTheStart)
{
    RecordingBox r;
    r.Feed("07 40");
    EXPECT_EQ(r.outcomes, (std::vector<simtest::Outcome>{
                              {"07", RejectReason::DataWithoutStatus},
                              {"40", RejectReason::DataWithoutStatus},
                          }));
}

TEST(TorvaneBox, MessageAfterACutBlockStillCounts)
{
    RecordingBox r;
    r.Feed("F0 70 7E 00 30 00 B0 07 40");
    EXPECT_EQ(r.outcomes, (std::vector<simtest::Outcome>{
                              {"F0 70 7E 00 30 00 B0", RejectReason::HighByteInMessage},
                              {"B0 07 40", std::nullopt},
                          }));
}

} // namespace
