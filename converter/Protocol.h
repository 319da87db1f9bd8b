#pragma once
// The messages the editor sends to the Torvane converter and the Kessel patch bay, as pure
// functions with no widget and no MIDI port behind them.
//
// The converter is configured by one System Exclusive message, the parameter message:
//   F0 70 7E <channel> <parameter> <value high nibble> <value low nibble> F7
// addressed to the converter's MIDI channel (0..15). The value travels as one byte split into
// two 4-bit data bytes, so "no controller" (-1) goes out as 0F 0F, like 255.
#include <QString>
#include <array>
#include <cstdint>

namespace protocol {

using ParameterMessage = std::array<std::uint8_t, 8>;

// The converter's CV outputs, and its presets: byte i (0..31) the controller of output i + 1,
// byte 32 the MIDI channel minus one, byte 33 reserved.
inline constexpr int OutputCount = 32;
inline constexpr int PresetSize = 34;
inline constexpr int PresetChannelByte = 32;

// What the converter needs after a message before it takes the next one.
inline constexpr std::uint32_t PauseAfterParameterMs = 100;
inline constexpr std::uint32_t PauseAfterFlashMs = 200;

// Parameter numbers understood by the converter.
inline constexpr int ChannelParameter = 47;     // value: new channel - 1; sent on the old channel
inline constexpr int FirstOutputParameter = 48; // 48 + i: controller of CV output i + 1
inline constexpr int WriteFlashParameter = 112; // value always WriteFlashValue
inline constexpr int WriteFlashValue = 123;

// The Kessel listens on MIDI channel 16; controller 31 switches its input merge.
inline constexpr int KesselChannel = 15;
inline constexpr int KesselMergeController = 31;

// Masks the fields into place: channel to 4 bits, parameter to 7, value to its low byte.
ParameterMessage MakeParameterMessage(int channel, int parameter, int value);

inline constexpr std::uint8_t ControlChangeStatus(int channel)
{
    return static_cast<std::uint8_t>(0xB0 + channel);
}
inline constexpr std::uint8_t ProgramChangeStatus(int channel)
{
    return static_cast<std::uint8_t>(0xC0 + channel);
}

// ---- the controller list of the assignment page ----

// Item 0 is "no controller"; item k (1..128) is MIDI controller k - 1.
inline constexpr int ControllerItemCount = 129;

// The text of item k of the controller list (0..128).
QString ControllerItemText(int item);

// The preset byte for selector item k: (k - 1) modulo 256, so item 0 gives 0xFF (none) and
// "no item selected" (-1) gives 0xFE.
inline constexpr std::uint8_t PresetByteForItem(int item)
{
    return static_cast<std::uint8_t>(item - 1);
}

// The selector item for a preset byte: (b + 1) modulo 256, or -1 (nothing selected) when that
// lies beyond the list (bytes 0x80..0xFE).
inline constexpr int ItemForPresetByte(std::uint8_t byte)
{
    const int item = (byte + 1) % 256;
    return item < ControllerItemCount ? item : -1;
}

} // namespace protocol
