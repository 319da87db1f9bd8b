#pragma once
// Byte-level facts of MIDI messages, the one statement of them for the editor (the ports, the
// back ends' inputs and outputs, and what reads the ports): the lengths of short messages and the
// packed word the services pass them in.
//
// The simulator (sim/) knows the same lengths for its own cable parser; the layers keep the two
// apart (neither may include the other, and no folder sits below both), so each states the MIDI
// standard's table in the form its job wants: here the whole message by its first byte.
#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::uint8_t SysexStart = 0xF0;
inline constexpr std::uint8_t SysexEnd = 0xF7;

// Timing clock, active sensing and the other single-byte messages that may stand anywhere,
// even inside a SysEx.
inline constexpr bool isRealTime(std::uint8_t byte)
{
    return byte >= 0xF8;
}

// Bytes in a message that begins with this byte, the byte included: 0 for SysEx start and end,
// which begin and end long messages, and 1 for a data byte, which stands alone only as an error.
inline constexpr std::size_t shortMessageLength(std::uint8_t first)
{
    // By the high nibble: note off, note on, poly pressure, control change, program change,
    // channel pressure, pitch bend.
    constexpr std::array<std::uint8_t, 7> channel{3, 3, 3, 3, 2, 2, 3};
    // By the low nibble: SysEx start, time code quarter frame, song position, song select, two
    // undefined, tune request, SysEx end, then the real-time bytes.
    constexpr std::array<std::uint8_t, 16> system{0, 2, 3, 2, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1};
    if (first < 0x80)
        return 1;
    if (first < 0xF0)
        return channel[(first >> 4) - 8];
    return system[first & 0x0F];
}

// Bytes of the message a packed word with this status carries: as shortMessageLength, except
// that a SysEx start or end byte, which begins or ends no short message, still stands for itself.
inline constexpr std::size_t packedMessageLength(std::uint8_t status)
{
    const std::size_t length = shortMessageLength(status);
    return length == 0 ? 1 : length;
}

// Bytes of the first whole message of a block, at most size: a SysEx up to and with its end byte
// (real-time bytes inside it included), a short message by its status, and data bytes with no
// status before them up to the next status byte.
inline constexpr std::size_t firstMessageLength(const std::uint8_t *bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t n = 1;
    if (bytes[0] == SysexStart) {
        while (n < size && bytes[n - 1] != SysexEnd)
            ++n;
        return n;
    }
    if (bytes[0] >= 0x80) {
        const std::size_t length = shortMessageLength(bytes[0]);
        return length == 0 ? 1 : (length < size ? length : size);
    }
    while (n < size && bytes[n] < 0x80)
        ++n;
    return n;
}

// The packed word: status in bits 0-7, first data byte in 8-15, second in 16-23.
inline constexpr std::uint32_t packShortMessage(const std::uint8_t *bytes, std::size_t size)
{
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < size && i < 3; ++i)
        word |= std::uint32_t(bytes[i]) << (8 * i);
    return word;
}

// The three bytes of a packed word, the status first.
inline constexpr std::array<std::uint8_t, 3> unpackShortMessage(std::uint32_t word)
{
    return {std::uint8_t(word), std::uint8_t(word >> 8), std::uint8_t(word >> 16)};
}
