// The box reads a byte stream as a MIDI input does: messages split over reads or joined in
// one, running status, real-time bytes anywhere. The same bytes must give the same box however
// they are cut.
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <random>

using sim::RejectReason;
using simtest::Bytes;
using simtest::Outcome;
using simtest::RecordingBox;

namespace {

// A session with everything in it: assignments, running status, real-time bytes inside short
// messages and inside a block, a block cut by a status byte, the Kessel, a flash write.
const char *const Session =
    "F0 70 7E 00 30 00 07 F7 "       // output 1 on 7
    "F0 70 F8 7E 00 31 FE 00 08 F7 " // output 2 on 8, clock and sensing inside
    "B0 07 10 08 20 07 30 "          // running status: 7=16, 8=32, 7=48
    "F8 08 FA 21 "                   // real-time inside a CC: 8=33
    "CF 02 BF 1F 01 "                // Kessel input 2, merge on
    "F0 70 7E 00 32 00 B0 09 05 "    // block cut by B0, then CC 9=5
    "F0 70 7E 00 70 07 0B F7 "       // write to flash
    "C5 01 40 40 "                   // PC elsewhere, twice more by running status
    "B0 FF 40 B0 07 7F ";            // a reset byte inside a CC, then 7=127

const std::vector<Outcome> SessionOutcomes{
    {"F0 70 7E 00 30 00 07 F7", std::nullopt},
    {"F0 70 7E 00 31 00 08 F7", std::nullopt},
    {"B0 07 10", std::nullopt},
    {"B0 08 20", std::nullopt},
    {"B0 07 30", std::nullopt},
    {"B0 08 21", std::nullopt},
    {"CF 02", std::nullopt},
    {"BF 1F 01", std::nullopt},
    {"F0 70 7E 00 32 00 B0", RejectReason::HighByteInMessage},
    {"B0 09 05", std::nullopt},
    {"F0 70 7E 00 70 07 0B F7", std::nullopt},
    {"C5 01", RejectReason::OtherChannel},
    {"C5 40", RejectReason::OtherChannel},
    {"C5 40", RejectReason::OtherChannel},
    {"B0 40", RejectReason::CutShort}, // FF went by as a real-time byte
    {"B0 07 7F", std::nullopt},
};

TEST(MidiStream, SessionInOneGo)
{
    RecordingBox r;
    r.Feed(Session);
    EXPECT_EQ(r.outcomes, SessionOutcomes);
    const sim::BoxState &state = r.box.state();
    EXPECT_EQ(state.levels[0], 0x7F);
    EXPECT_EQ(state.levels[1], 0x21);
    EXPECT_EQ(state.kessel, (sim::KesselState{2, true}));
    EXPECT_TRUE(state.flashMatches());
    EXPECT_EQ(r.box.realTimeBytes(), 5u);
}

TEST(MidiStream, AnySplitGivesTheSameBox)
{
    const std::vector<std::uint8_t> bytes = Bytes(Session);
    RecordingBox whole;
    whole.Feed(bytes);

    RecordingBox byByte;
    for (const std::uint8_t byte : bytes)
        byByte.box.feed({&byte, 1});
    EXPECT_EQ(byByte.outcomes, SessionOutcomes);
    EXPECT_EQ(byByte.box.state(), whole.box.state());

    std::mt19937 random(20261207);
    for (int round = 0; round < 200; ++round) {
        RecordingBox split;
        std::size_t at = 0;
        while (at < bytes.size()) {
            const std::size_t size = std::min(bytes.size() - at, std::size_t(random() % 12));
            split.box.feed({bytes.data() + at, size});
            at += size;
        }
        ASSERT_EQ(split.outcomes, SessionOutcomes) << "round " << round;
        ASSERT_EQ(split.box.state(), whole.box.state()) << "round " << round;
    }
}

TEST(MidiStream, RunningStatusEndsWithSystemExclusiveAndSystemCommon)
{
    RecordingBox r;
    r.Feed("F0 70 7E 00 30 00 07 F7 B0 07 10 F0 7D F7 07 11");
    r.Feed("B0 07 12 F3 01 07 13");
    EXPECT_EQ(r.outcomes, (std::vector<Outcome>{
                              {"F0 70 7E 00 30 00 07 F7", std::nullopt},
                              {"B0 07 10", std::nullopt},
                              {"F0 7D F7", RejectReason::OtherHeader},
                              {"07", RejectReason::DataWithoutStatus},
                              {"11", RejectReason::DataWithoutStatus},
                              {"B0 07 12", std::nullopt},
                              {"F3 01", RejectReason::NotUsedByTheBox},
                              {"07", RejectReason::DataWithoutStatus},
                              {"13", RejectReason::DataWithoutStatus},
                          }));
    EXPECT_EQ(r.box.state().levels[0], 0x12);
}

TEST(MidiStream, RealTimeBytesNeitherCutNorEndABlock)
{
    RecordingBox r;
    r.Feed("F0 70 7E 00");
    r.Feed("F8 FF FE");
    r.Feed("30 00 07 F7");
    ASSERT_EQ(r.outcomes.size(), 1u);
    EXPECT_EQ(r.outcomes[0], (Outcome{"F0 70 7E 00 30 00 07 F7", std::nullopt}));
}

TEST(MidiStream, PowerCycleForgetsAMessageBegun)
{
    RecordingBox r;
    r.Feed("F0 70 7E 00 30 00 07 F7 B0 07");
    r.box.powerCycle();
    r.Feed("20 F0 70 7E 00 30 00 07 F7");
    EXPECT_EQ(r.outcomes.back(), (Outcome{"F0 70 7E 00 30 00 07 F7", std::nullopt}));
    EXPECT_EQ(r.box.state().levels[0], 0);
    EXPECT_EQ(r.box.state().lastRejection->reason, RejectReason::DataWithoutStatus);
}

TEST(StateText, OneLinePerChangeAndTheWholeStateAsABlock)
{
    RecordingBox r;
    sim::BoxState before = r.box.state();
    r.Feed("F0 70 7E 00 34 00 07 F7 B0 07 40 CF 03 F0 70 7E 00 70 07 0B F7 B3 01 01");
    EXPECT_EQ(sim::describeChanges(before, r.box.state()), (std::vector<std::string>{
                                                               "output 5 controller 7",
                                                               "output 5 level 64",
                                                               "flash written",
                                                               "kessel input 3",
                                                               "rejection other channel: B3 01 01",
                                                           }));
    before = r.box.state();
    r.Feed("F0 70 7E 00 2F 00 02 F7 F0 70 7E 02 31 0F 0E F7 BF 1F 01");
    EXPECT_EQ(sim::describeChanges(before, r.box.state()), (std::vector<std::string>{
                                                               "channel 3",
                                                               "output 2 controller invalid 254",
                                                               "flash differs",
                                                               "kessel merge on",
                                                           }));

    const std::vector<std::string> lines = sim::describeState(r.box.state());
    ASSERT_EQ(lines.size(), 8u + 32u + 1u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 8),
              (std::vector<std::string>{
                  "state begin",
                  "channel 3",
                  "flash differs",
                  "kessel input 3",
                  "kessel merge on",
                  "accepted 7",
                  "rejected 1",
                  "last rejection other channel: B3 01 01",
              }));
    EXPECT_EQ(lines[8], "output 1 controller none level 0");
    EXPECT_EQ(lines[12], "output 5 controller 7 level 64");
    EXPECT_EQ(lines.back(), "state end");
}

} // namespace
