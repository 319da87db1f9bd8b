#pragma once
// The input port's store of received items: a fixed-size circular buffer in shared memory.
//
// Threads: RingPut runs only on the driver thread (inside MidiCallback) and is the only writer of
// PutPos and the slots. RingGet runs only on the GUI thread and is the only mover of GetPos. The
// GUI thread creates and destroys the ring while no device delivers into it. No lock: Count is
// raised by the writer after the slot is written and lowered by the reader after the slot is
// read, both as atomic read-modify-writes, so neither ever sees a slot the other is still on.
#include "midi/SharedAlloc.h"

#include <atomic>
#include <cstdint>

struct MidiHeader;

// One received item. A short message carries its packed word and no header; a long-message item
// carries Data 0 and the header of the buffer the driver filled.
struct TMidiRingEvent
{
    std::uint32_t Timestamp; // as the driver passed it: milliseconds since reception started
    std::uint32_t Data;      // status bits 0-7, data 1 bits 8-15, data 2 bits 16-23
    MidiHeader *SysexHeader;
};

struct TMidiEventRing
{
    SharedHandle RecordHandle;
    SharedHandle StorageHandle;
    TMidiRingEvent *First;
    TMidiRingEvent *End; // just past the last slot
    TMidiRingEvent *PutPos;
    TMidiRingEvent *GetPos; // the oldest item; moved by RingGet only
    std::uint16_t ErrorCode;
    std::uint16_t SlotCount;
    std::atomic<std::uint16_t> Count; // 0..SlotCount; raised by RingPut, lowered by RingGet
};

// The most slots a ring may have: as many 12-byte items as a block of 65535 bytes holds, the
// limit the input port's Capacity has always had. Items are 16 bytes where an address takes 8,
// so the storage block is sized in 32 bits and every capacity up to this one gets its ring.
inline constexpr std::uint16_t MaxRingSlots = 0xFFFF / 12;

// A ring of n slots, or nullptr when n exceeds MaxRingSlots or memory is short.
TMidiEventRing *RingCreate(std::uint16_t n);
// Releases the storage, then the record; nullptr does nothing.
void RingDestroy(TMidiEventRing *ring);
// Stores one item; false (nothing written) when the ring is full. A ring of n slots holds n
// items. Driver thread only.
bool RingPut(TMidiEventRing *ring, const TMidiRingEvent &event) noexcept;
// Takes the oldest item out; false (nothing taken) when the ring is empty. GUI thread only.
bool RingGet(TMidiEventRing *ring, TMidiRingEvent &event) noexcept;
