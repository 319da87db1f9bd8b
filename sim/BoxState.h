#pragma once
// What the simulated Torvane converter and Kessel patch bay hold, as plain values that can be
// copied, compared and shown.
#include "sim/Rejection.h"

#include <array>
#include <cstdint>
#include <optional>

namespace sim {

inline constexpr int OutputCount = 32;
// The controller byte of an output that follows no controller.
inline constexpr std::uint8_t NoController = 0xFF;

// The converter's set-up: what a parameter message changes and what flash keeps.
struct ConverterSetup
{
    std::uint8_t channel = 0; // 0..15, MIDI channel 1..16
    // Per output: 0..127 a controller, 0xFF none; other values are kept as received and
    // follow nothing (no Control Change carries a controller above 127).
    std::array<std::uint8_t, OutputCount> controllers = [] {
        std::array<std::uint8_t, OutputCount> none{};
        none.fill(NoController);
        return none;
    }();

    friend bool operator==(const ConverterSetup &, const ConverterSetup &) = default;
};

enum class ControllerKind { None, Controller, Invalid };
inline constexpr ControllerKind kindOf(std::uint8_t controller)
{
    if (controller == NoController)
        return ControllerKind::None;
    return controller < 0x80 ? ControllerKind::Controller : ControllerKind::Invalid;
}

struct KesselState
{
    std::uint8_t input = 0; // 0..7
    bool merge = false;

    friend bool operator==(const KesselState &, const KesselState &) = default;
};

struct BoxState
{
    ConverterSetup working; // what the converter does now
    ConverterSetup flash;   // what it comes back with after a power cycle
    std::array<std::uint8_t, OutputCount>
        levels{}; // 0..127, the last value of each output's controller
    KesselState kessel;

    std::uint64_t accepted = 0;
    std::uint64_t rejected = 0;
    std::optional<Rejection> lastRejection;
    // Counts every write to flash, also one that changes nothing, so that whoever keeps the
    // flash on disk sees that a write happened.
    std::uint64_t flashWrites = 0;

    bool flashMatches() const { return working == flash; }

    friend bool operator==(const BoxState &, const BoxState &) = default;
};

} // namespace sim
