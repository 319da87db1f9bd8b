#include "converter/Protocol.h"
#include "support/Printing.h"

#include <gtest/gtest.h>

using namespace protocol;

TEST(Protocol, ParameterMessagesOnTheWire)
{
    struct Case
    {
        const char *situation;
        int channel, parameter, value;
        const char *bytes;
    };
    // clang-format off
    const Case cases[] = {
        {"output 1 on controller 7, channel 1", 0, 48, 7, "F0 70 7E 00 30 00 07 F7"},
        {"output 32 on controller 74, channel 16", 15, 79, 74, "F0 70 7E 0F 4F 04 0A F7"},
        {"output 5 on no controller", 0, 52, -1, "F0 70 7E 00 34 0F 0F F7"},
        {"no item selected", 0, 52, -2, "F0 70 7E 00 34 0F 0E F7"},
        {"channel change 1 -> 5", 0, 47, 4, "F0 70 7E 00 2F 00 04 F7"},
        {"write to flash, channel 3", 2, 112, 123, "F0 70 7E 02 70 07 0B F7"},
        {"value 127", 0, 48, 127, "F0 70 7E 00 30 07 0F F7"},
        {"value beyond a byte keeps its low byte", 0, 48, 0x1FF, "F0 70 7E 00 30 0F 0F F7"},
        {"channel 16 masks to 0", 16, 48, 0, "F0 70 7E 00 30 00 00 F7"},
        {"parameter masked to 7 bits", 0, 0xB0, 0, "F0 70 7E 00 30 00 00 F7"},
    };
    // clang-format on
    for (const Case &c : cases)
        EXPECT_EQ(Hex(MakeParameterMessage(c.channel, c.parameter, c.value)), c.bytes)
            << c.situation;
}

TEST(Protocol, ControllerListTexts)
{
    EXPECT_EQ(ControllerItemText(0), "----- none-------");
    EXPECT_EQ(ControllerItemText(1), "Bank Select");
    EXPECT_EQ(ControllerItemText(4), QString::fromUtf8("Controler n\u00B0 3"));
    EXPECT_EQ(ControllerItemText(8), "Volume (coarse)");
    EXPECT_EQ(ControllerItemText(21), QString::fromUtf8("Controler n\u00B0 20"));
    EXPECT_EQ(ControllerItemText(65), "Hold Pedal (on/off)  ");
    EXPECT_EQ(ControllerItemText(73), "Sound Release Time ");
    EXPECT_EQ(ControllerItemText(103), QString::fromUtf8("Controler n\u00B0 102"));
    EXPECT_EQ(ControllerItemText(128), "Poly Operation");
    int generated = 0;
    for (int item = 1; item < ControllerItemCount; ++item)
        generated += ControllerItemText(item).startsWith("Controler n") ? 1 : 0;
    EXPECT_EQ(generated, 1 + 1 + 2 + 12 + 1 + 1 + 18 + 7 + 18);
}

TEST(Protocol, PresetBytesAndSelectorItemsMapBothWays)
{
    EXPECT_EQ(PresetByteForItem(0), 0xFF);
    EXPECT_EQ(PresetByteForItem(8), 7);
    EXPECT_EQ(PresetByteForItem(-1), 0xFE);
    EXPECT_EQ(ItemForPresetByte(0xFF), 0);
    EXPECT_EQ(ItemForPresetByte(7), 8);
    EXPECT_EQ(ItemForPresetByte(127), 128);
    EXPECT_EQ(ItemForPresetByte(0x80), -1);
    EXPECT_EQ(ItemForPresetByte(0x90), -1);
    EXPECT_EQ(ItemForPresetByte(0xFE), -1);
    for (int item = 0; item < ControllerItemCount; ++item)
        EXPECT_EQ(ItemForPresetByte(PresetByteForItem(item)), item);
}
