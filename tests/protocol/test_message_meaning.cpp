// What the monitor says a message is: kind and channel (its filters) and the line of text.
#include "converter/MessageMeaning.h"
#include "support/Printing.h"

#include <gtest/gtest.h>
#include <vector>

using namespace protocol;

TEST(MessageMeaning, KindChannelAndTextOfEachMessage)
{
    struct Case
    {
        std::vector<std::uint8_t> bytes;
        MessageKind kind;
        int channel;
        const char *meaning;
    };
    using K = MessageKind;
    // clang-format off
    const Case cases[] = {
        // The editor's own: a transfer's message, none, nothing selected, channel, flash.
        {{0xF0, 0x70, 0x7E, 0x00, 0x34, 0x04, 0x0A, 0xF7}, K::Converter, 0, "Output 5 \u2192 Sound Brightness (74)"},
        {{0xF0, 0x70, 0x7E, 0x0F, 0x4F, 0x00, 0x03, 0xF7}, K::Converter, 15, "Output 32 \u2192 Controler n\u00B0 3"},
        {{0xF0, 0x70, 0x7E, 0x00, 0x30, 0x0F, 0x0F, 0xF7}, K::Converter, 0, "Output 1 \u2192 none"},
        {{0xF0, 0x70, 0x7E, 0x00, 0x30, 0x0F, 0x0E, 0xF7}, K::Converter, 0, "Output 1 \u2192 no controller (value 254)"},
        {{0xF0, 0x70, 0x7E, 0x02, 0x2F, 0x00, 0x09, 0xF7}, K::Converter, 2, "Channel change \u2192 ch 10"},
        {{0xF0, 0x70, 0x7E, 0x02, 0x70, 0x07, 0x0B, 0xF7}, K::Converter, 2, "Write to flash"},
        {{0xF0, 0x70, 0x7E, 0x02, 0x10, 0x01, 0x02, 0xF7}, K::Converter, 2, "Converter parameter 16 = 18"},
        // The Kessel pair, and the same messages off its channel.
        {{0xCF, 0x03}, K::ProgramChange, 15, "Kessel input 3"},
        {{0xBF, 0x1F, 0x01}, K::ControlChange, 15, "Kessel merge on"},
        {{0xBF, 0x1F, 0x00}, K::ControlChange, 15, "Kessel merge off"},
        {{0xBF, 0x1F, 0x40}, K::ControlChange, 15, "Control Change Controler n\u00B0 31 = 64"},
        {{0xC0, 0x05}, K::ProgramChange, 0, "Program Change 5"},
        // Control Change by the controller table, trailing blanks dropped.
        {{0xB0, 0x07, 0x3F}, K::ControlChange, 0, "Control Change Volume (coarse) (7) = 63"},
        {{0xB4, 0x40, 0x7F}, K::ControlChange, 4, "Control Change Hold Pedal (on/off) (64) = 127"},
        {{0xB0, 0x03, 0x00}, K::ControlChange, 0, "Control Change Controler n\u00B0 3 = 0"},
        // Notes.
        {{0x90, 0x3C, 0x64}, K::Note, 0, "Note On C4 (60) vel 100"},
        {{0x99, 0x3D, 0x00}, K::Note, 9, "Note Off C#4 (61) (Note On vel 0)"},
        {{0x81, 0x15, 0x40}, K::Note, 1, "Note Off A0 (21) vel 64"},
        // Other channel and system messages.
        {{0xE2, 0x00, 0x40}, K::Other, 2, "Pitch Bend 0"},
        {{0xD3, 0x11}, K::Other, 3, "Channel Pressure 17"},
        {{0xA0, 0x3C, 0x10}, K::Other, 0, "Key Pressure C4 (60) = 16"},
        {{0xF8}, K::Other, -1, "Timing Clock"},
        {{0xF2, 0x01, 0x02}, K::Other, -1, "Song Position"},
        {{0xF4}, K::Other, -1, "Undefined status F4"},
        // SysEx that is not the converter's, also one that looks like it but is not 8 bytes.
        {{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, K::Sysex, -1, "SysEx, 6 bytes"},
        {{0xF0, 0x70, 0x7E, 0x00, 0x34, 0x04, 0x0A, 0x00, 0xF7}, K::Sysex, -1, "SysEx, 9 bytes"},
        {{0xF0, 0x70, 0x7E, 0x00, 0x34, 0x14, 0x0A, 0xF7}, K::Sysex, -1, "SysEx, 8 bytes"},
        {{0x01, 0x02, 0xF7}, K::Sysex, -1, "SysEx continued, 3 bytes"},
    };
    // clang-format on
    for (const Case &c : cases) {
        const std::span<const std::uint8_t> bytes(c.bytes);
        SCOPED_TRACE(c.meaning);
        const MessageClass what = Classify(bytes);
        EXPECT_EQ(what.kind, c.kind);
        EXPECT_EQ(what.channel, c.channel);
        EXPECT_EQ(Meaning(bytes, bytes.size()), QString::fromUtf8(c.meaning));
    }
}

TEST(MessageMeaning, LongSysexIsToldByItsWholeLengthFromItsStart)
{
    const std::vector<std::uint8_t> start = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00};
    EXPECT_EQ(Meaning(start, 4096), "SysEx, 4096 bytes");
    EXPECT_EQ(Classify(start).kind, MessageKind::Sysex);
}

TEST(MessageMeaning, ControllerNumbers)
{
    const std::vector<std::uint8_t> cc = {0xB9, 0x4A, 0x01}, note = {0x90, 0x4A, 0x01},
                                    cut = {0xB0, 0x4A};
    EXPECT_EQ(ControlChangeNumber(cc), 74);
    EXPECT_EQ(ControlChangeNumber(note), -1);
    EXPECT_EQ(ControlChangeNumber(cut), -1);
}
