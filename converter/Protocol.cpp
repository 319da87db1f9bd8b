#include "converter/Protocol.h"

namespace protocol {

ParameterMessage MakeParameterMessage(int channel, int parameter, int value)
{
    const auto byte = static_cast<std::uint8_t>(value);
    return {0xF0,
            0x70,
            0x7E,
            static_cast<std::uint8_t>(channel & 0x0F),
            static_cast<std::uint8_t>(parameter & 0x7F),
            static_cast<std::uint8_t>((byte & 0xF0) >> 4),
            static_cast<std::uint8_t>(byte & 0x0F),
            0xF7};
}

namespace {

// Names by list item (item = controller + 1). Empty entries are shown with a generated text.
// Trailing blanks belong to the names as the converter's documentation spells them.
constexpr const char *Names[] = {
    "----- none-------",
    "Bank Select",                // 0
    "Modulation Wheel (coarse)",  // 1
    "Breath controller (coarse)", // 2
    "",                           // 3
    "Foot Pedal (coarse)",        // 4
    "Portamento Time (coarse)",   // 5
    "Data Entry (coarse)",        // 6
    "Volume (coarse)",            // 7
    "Balance (coarse)",           // 8
    "",                           // 9
    "Pan position (coarse)",      // 10
    "Expression (coarse)",        // 11
    "Effect Control 1 (coarse)",  // 12
    "Effect Control 2 (coarse)",  // 13
    "",
    "",                         // 14-15
    "General Purpose Slider 1", // 16
    "General Purpose Slider 2", // 17
    "General Purpose Slider 3", // 18
    "General Purpose Slider 4", // 19
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",                         // 20-31
    "Bank Select (fine)",       // 32
    "Modulation Wheel (fine)",  // 33
    "Breath controller (fine)", // 34
    "",                         // 35
    "Foot Pedal (fine)",        // 36
    "Portamento Time (fine)",   // 37
    "Data Entry (fine)",        // 38
    "Volume (fine)",            // 39
    "Balance (fine)",           // 40
    "",                         // 41
    "Pan position (fine)",      // 42
    "Expression (fine)",        // 43
    "Effect Control 1 (fine)",  // 44
    "Effect Control 2 (fine)",  // 45
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",                                  // 46-63
    "Hold Pedal (on/off)  ",             // 64
    "Portamento (on/off)  ",             // 65
    "Sustenuto Pedal (on/off)",          // 66
    "Soft Pedal (on/off)  ",             // 67
    "Legato Pedal (on/off)",             // 68
    "Hold 2 Pedal (on/off)",             // 69
    "Sound Variation    ",               // 70
    "Sound Timbre       ",               // 71
    "Sound Release Time ",               // 72
    "Sound Attack Time",                 // 73
    "Sound Brightness ",                 // 74
    "Sound Control 6  ",                 // 75
    "Sound Control 7  ",                 // 76
    "Sound Control 8  ",                 // 77
    "Sound Control 9  ",                 // 78
    "Sound Control 10 ",                 // 79
    "General Purpose Button 1 (on/off)", // 80
    "General Purpose Button 2 (on/off)", // 81
    "General Purpose Button 3 (on/off)", // 82
    "General Purpose Button 4 (on/off)", // 83
    "",
    "",
    "",
    "",
    "",
    "",
    "",                                  // 84-90
    "Effects Level",                     // 91
    "Tremulo Level",                     // 92
    "Chorus Level",                      // 93
    "Celeste Level",                     // 94
    "Phaser Level ",                     // 95
    "Data Button increment",             // 96
    "Data Button decrement ",            // 97
    "Non-registered Parameter (fine)",   // 98
    "Non-registered Parameter (coarse)", // 99
    "Registered Parameter (fine)",       // 100
    "Registered Parameter (coarse)",     // 101
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",                        // 102-119
    "All Sound Off ",          // 120
    "All Controllers Off",     // 121
    "Local Keyboard (on/off)", // 122
    "All Notes Off ",          // 123
    "Omni Mode Off",           // 124
    "Omni Mode On",            // 125
    "Mono Operation",          // 126
    "Poly Operation",          // 127
};

static_assert(std::size(Names) == ControllerItemCount);

} // namespace

QString ControllerItemText(int item)
{
    const char *name = Names[item];
    if (*name != '\0')
        return QString::fromLatin1(name);
    return QStringLiteral("Controler n\u00B0 %1").arg(item - 1);
}

} // namespace protocol
