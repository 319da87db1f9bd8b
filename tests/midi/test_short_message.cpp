// How many bytes a status byte starts: in a byte stream, and as a packed word, where a SysEx
// start or end byte still stands for itself.
#include "midi/backend/ShortMessage.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(ShortMessage, LengthsByStatusInAStreamAndAsAWord)
{
    // status, in a stream, as a word
    const std::tuple<int, std::size_t, std::size_t> cases[] = {
        {0x80, 3, 3}, {0x9F, 3, 3}, {0xA0, 3, 3}, {0xB5, 3, 3}, {0xC0, 2, 2},
        {0xDF, 2, 2}, {0xE0, 3, 3}, {0xF1, 2, 2}, {0xF2, 3, 3}, {0xF3, 2, 2},
        {0xF6, 1, 1}, {0xF8, 1, 1}, {0xF0, 0, 1}, {0xF7, 0, 1}, {0x40, 1, 1}};
    for (const auto &[status, inStream, asWord] : cases) {
        EXPECT_EQ(shortMessageLength(std::uint8_t(status)), inStream) << status;
        EXPECT_EQ(packedMessageLength(std::uint8_t(status)), asWord) << status;
    }
}
