#pragma once
// One MIDI message as the simulated box received it. The first bytes are kept (enough for every
// message the box understands and for showing what was rejected); the full length is counted,
// so an over-long System Exclusive block is still known to be too long.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace sim {

struct MidiMessage
{
    static constexpr std::size_t Kept = 16;

    std::array<std::uint8_t, Kept> bytes{};
    std::size_t length = 0; // bytes received; may exceed Kept

    std::span<const std::uint8_t> kept() const { return {bytes.data(), std::min(length, Kept)}; }
    std::uint8_t status() const { return length ? bytes[0] : 0; }
    std::uint8_t at(std::size_t i) const { return i < Kept ? bytes[i] : 0; }

    void clear() { length = 0; }
    void append(std::uint8_t byte)
    {
        if (length < Kept)
            bytes[length] = byte;
        ++length;
    }

    static MidiMessage of(std::span<const std::uint8_t> data)
    {
        MidiMessage message;
        for (const std::uint8_t byte : data)
            message.append(byte);
        return message;
    }

    friend bool operator==(const MidiMessage &a, const MidiMessage &b)
    {
        return a.length == b.length && std::ranges::equal(a.kept(), b.kept());
    }
};

} // namespace sim
