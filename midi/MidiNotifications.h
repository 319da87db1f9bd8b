#pragma once
// The numbers MidiCallback posts to a port's notification sink. The parameter is 0, except for
// NotifyOutputDone, where it is the address of the finished MidiHeader.
#include <cstdint>

inline constexpr std::uint32_t NotifyItemStored = 963;   // a received item went into the ring
inline constexpr std::uint32_t NotifyOutputDone = 969;   // the driver finished a long message
inline constexpr std::uint32_t NotifyItemDropped = 1024; // a received item found the ring full
