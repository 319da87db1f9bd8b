#pragma once
// TMyMidiHdr owns one long-message buffer header and its data block, both in shared memory so
// they stay put while the driver holds them. Whoever hands the header to the driver first stores
// the object's address in the header's user field, so the object can be found again from the
// header the driver returns.
#include "midi/SharedAlloc.h"

#include <cstdint>

struct MidiHeader;

class TMyMidiHdr
{
public:
    // size 0 allocates nothing. When an allocation fails nothing is kept: Header and Data both
    // stay nullptr, which the caller must check for a non-zero size.
    explicit TMyMidiHdr(std::uint16_t size);
    ~TMyMidiHdr();
    TMyMidiHdr(const TMyMidiHdr &) = delete;
    TMyMidiHdr &operator=(const TMyMidiHdr &) = delete;

    SharedHandle HeaderHandle = 0;
    MidiHeader *Header = nullptr; // data = Data, bufferLength = size, every other field zero
    SharedHandle DataHandle = 0;
    std::uint8_t *Data = nullptr;
};

// Debug hook for tests: TMyMidiHdr objects alive.
int MyMidiHdrLiveCount();
