// .syx files as bytes: a preset written as SysEx and read back, the rules by which a file's
// messages set a preset, and every kind of file that is refused.
#include "converter/SysexFile.h"

#include <gtest/gtest.h>

#include <random>

using namespace protocol;

namespace {

QByteArray FromHex(const char *hex)
{
    return QByteArray::fromHex(hex);
}

PresetBytes Filled(std::uint8_t byte)
{
    PresetBytes preset;
    preset.fill(byte);
    return preset;
}

} // namespace

TEST(SysexFile, PresetsSurviveTheWayThroughSysex)
{
    std::mt19937 random(20260517);
    std::uniform_int_distribution<int> anyByte(0, 255), anyChannel(0, 15);
    for (int round = 0; round < 1000; ++round) {
        SCOPED_TRACE(round);
        PresetBytes source, target;
        for (std::uint8_t &byte : source)
            byte = std::uint8_t(anyByte(random));
        source[PresetChannelByte] = std::uint8_t(anyChannel(random)); // 4 bits on the wire
        for (std::uint8_t &byte : target)
            byte = std::uint8_t(anyByte(random));
        const bool flash = round % 2;
        const PresetBytes before = target;

        const QByteArray file =
            PresetSysex(source[PresetChannelByte], Controllers(source.data(), OutputCount), flash);
        const SysexImport import = ImportSysex(file, target);

        ASSERT_EQ(file.size(), (flash ? 33 : 32) * 8);
        EXPECT_TRUE(std::equal(source.begin(), source.begin() + 33, target.begin()));
        EXPECT_EQ(target[33], before[33]) << "the reserved byte is the preset's own";
        EXPECT_EQ(import.applied, 32);
        EXPECT_EQ(import.skipped, flash ? 1 : 0) << "write to flash sets nothing in a preset";
    }
}

TEST(SysexFile, ConverterMessagesSetThePresetAndTheRestIsCounted)
{
    struct Case
    {
        const char *name;
        const char *file;
        std::vector<std::pair<int, int>> set; // position, byte; the rest stays 0x11
        int applied, skipped;
    };
    const Case cases[] = {
        {"outputs on channel 3",
         "F0707E02300007F7 F0707E024F0F0FF7",
         {{0, 7}, {31, 255}, {32, 2}},
         2,
         0},
        {"the last message of an output wins",
         "F0707E00310001F7 F0707E00310009F7",
         {{1, 9}, {32, 0}},
         2,
         0},
        {"values 0x80..0xFE are kept",
         "F0707E00320900F7 F0707E00330F0EF7",
         {{2, 0x90}, {3, 0xFE}, {32, 0}},
         2,
         0},
        {"a channel change alone", "F0707E012F0009F7", {{32, 9}}, 1, 0},
        {"outputs, then a channel change",
         "F0707E00300005F7 F0707E002F0004F7",
         {{0, 5}, {32, 4}},
         2,
         0},
        {"a channel change, then outputs on the new channel",
         "F0707E002F0004F7 F0707E04300005F7",
         {{0, 5}, {32, 4}},
         2,
         0},
        {"outputs on the old channel after a change are not heard",
         "F0707E002F0004F7 F0707E00300005F7",
         {{32, 4}},
         1,
         1},
        {"another channel than the first message's",
         "F0707E05300001F7 F0707E06310002F7",
         {{0, 1}, {32, 5}},
         1,
         1},
        {"write to flash", "F0707E00300001F7 F0707E0070070BF7", {{0, 1}, {32, 0}}, 1, 1},
        {"another maker's SysEx", "F043100C01F7 F0707E00300001F7", {{0, 1}, {32, 0}}, 1, 1},
        {"an empty message", "F0F7 F0707E00300001F7", {{0, 1}, {32, 0}}, 1, 1},
        {"a nibble above 0F", "F0707E00301000F7", {}, 0, 1},
        {"a channel byte above 0F", "F0707E10300001F7", {}, 0, 1},
        {"a parameter the converter has no use for", "F0707E00500001F7", {}, 0, 1},
        {"a converter header one byte too long", "F0707E0030000100F7", {}, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PresetBytes preset = Filled(0x11), expected = Filled(0x11);
        for (const auto &[position, byte] : c.set)
            expected[position] = std::uint8_t(byte);
        const SysexImport import = ImportSysex(FromHex(c.file), preset);
        EXPECT_EQ(import.split.fault, SysexFault::None);
        EXPECT_EQ(preset, expected);
        EXPECT_EQ(import.applied, c.applied);
        EXPECT_EQ(import.skipped, c.skipped);
    }
    PresetBytes preset = Filled(0);
    EXPECT_EQ(SkippedNote(ImportSysex(FromHex("F0F7 F0707E00300001F7 F0F7"), preset)),
              "Skipped 2 of 3 messages: they set nothing in the preset.");
}

TEST(SysexFile, FilesThatAreNotSysexAreRefusedAndChangeNothing)
{
    struct Case
    {
        const char *name;
        const char *file;
        SysexFault fault;
        const char *text;
    };
    const Case cases[] = {
        {"empty", "", SysexFault::NoSysex, "The file holds no SysEx message."},
        {"a parameter file", "0001027F FF000000", SysexFault::NoSysex,
         "The file holds no SysEx message."},
        {"cut short", "F0707E00300001F7 F0707E0030", SysexFault::CutShort,
         "The SysEx message at offset 8 is cut short: the file ends before its closing F7."},
        {"a status byte inside", "F0707E00F8300001F7", SysexFault::NotADataByte,
         "The SysEx message at offset 0 holds the byte F8 at offset 4; only bytes 00 to 7F may "
         "stand inside a message."},
        {"a message that starts inside another", "F0707E F0707E00300001F7",
         SysexFault::NotADataByte,
         "The SysEx message at offset 0 holds the byte F0 at offset 3; only bytes 00 to 7F may "
         "stand inside a message."},
        {"a byte before the first message", "0AF0707E00300001F7", SysexFault::OutsideMessage,
         "The byte 0A at offset 0 stands outside any SysEx message (each starts with F0 and ends "
         "with F7)."},
        {"a byte between messages", "F0F7 F7 F0F7", SysexFault::OutsideMessage,
         "The byte F7 at offset 2 stands outside any SysEx message (each starts with F0 and ends "
         "with F7)."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PresetBytes preset = Filled(0x22);
        const QByteArray file = FromHex(c.file);
        const SysexImport import = ImportSysex(file, preset);
        EXPECT_EQ(import.split.fault, c.fault);
        EXPECT_EQ(SysexFaultText(import.split, file), c.text);
        EXPECT_EQ(preset, Filled(0x22));
        EXPECT_TRUE(import.split.messages.empty());
    }
}

TEST(SysexFile, PauseAfterAMessageIsLongerForTheFlashCommand)
{
    EXPECT_EQ(PauseAfter(FromHex("F0707E0270070BF7")), 200u);
    for (const char *other : {"F0707E02300007F7", "F0707E022F0004F7", "F043100C01F7", "F0F7"})
        EXPECT_EQ(PauseAfter(FromHex(other)), 100u) << other;
}
