#pragma once
// What the converter pages see of the editor's presets: the bytes of each of the four.
//
// Preset layout: bytes 0..31 the controller (0..127, 0xFF none) of CV outputs 1..32, byte 32 the
// MIDI channel minus one, byte 33 reserved. The store checks no value. GUI thread only.
#include "converter/Protocol.h"

#include <cstdint>

class PresetStore
{
public:
    static constexpr int PresetCount = 4;
    static constexpr int PresetSize = protocol::PresetSize;
    static constexpr int ChannelPosition = protocol::PresetChannelByte;

    virtual std::uint8_t GetByte(int preset, int position) const = 0;
    virtual void SetByte(int preset, int position, std::uint8_t value) = 0;

protected:
    ~PresetStore() = default;
};
