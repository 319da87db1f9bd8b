#pragma once
// The input port's store of received items: a fixed-size circular buffer in shared memory.
//
// Threads: RingPut runs only on the driver thread (inside MidiCallback) and is the single writer
// of Count, PutPos and the slots. The GUI thread creates and destroys the ring while no device
// delivers into it, and reads Count at any time. No lock: Count is an atomic published after the
// slot is written, so a reader that sees Count = k also sees the first k items.
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
    TMidiRingEvent *GetPos; // set to First; nothing reads or moves it yet
    std::uint16_t ErrorCode;
    std::uint16_t SlotCount;
    std::atomic<std::uint16_t> Count; // 0..SlotCount; written by the driver thread only
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
