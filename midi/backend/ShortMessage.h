#pragma once
// Byte-level facts of MIDI short messages shared by the system back end's input and output.
#include <cstddef>
#include <cstdint>

// Bytes in a message that begins with this status byte (status included); 0 for SysEx start
// and end, which are not short messages, and 1 for a data byte.
inline constexpr std::size_t shortMessageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 1;
    if (status < 0xC0 || (status >= 0xE0 && status < 0xF0))
        return 3; // note off/on, poly pressure, control change, pitch bend
    if (status < 0xE0)
        return 2; // program change, channel pressure
    switch (status) {
    case 0xF0:
    case 0xF7:
        return 0;
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    default:
        return 1; // tune request, real-time messages, undefined F4/F5/F9/FD
    }
}

// The packed word: status in bits 0-7, first data byte in 8-15, second in 16-23.
inline constexpr std::uint32_t packShortMessage(const std::uint8_t *bytes, std::size_t size)
{
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < size && i < 3; ++i)
        word |= std::uint32_t(bytes[i]) << (8 * i);
    return word;
}
