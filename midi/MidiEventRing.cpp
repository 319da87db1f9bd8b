#include "midi/MidiEventRing.h"

TMidiEventRing *RingCreate(std::uint16_t n)
{
    // Refused above the port's limit rather than clamped: a ring is never smaller than asked.
    if (n > MaxRingSlots)
        return nullptr;
    SharedHandle recordHandle = 0;
    auto *ring = SharedNew<TMidiEventRing>(recordHandle);
    if (!ring)
        return nullptr;
    const SharedBlock storage = SharedAlloc(static_cast<std::uint32_t>(n * sizeof(TMidiRingEvent)));
    if (!storage.address) {
        SharedDelete(recordHandle, ring);
        return nullptr;
    }
    auto *first = static_cast<TMidiRingEvent *>(storage.address);
    ring->RecordHandle = recordHandle;
    ring->StorageHandle = storage.handle;
    ring->First = first;
    ring->End = first + n;
    ring->PutPos = first;
    ring->GetPos = first;
    ring->ErrorCode = 0;
    ring->SlotCount = n;
    ring->Count.store(0, std::memory_order_relaxed);
    return ring;
}

void RingDestroy(TMidiEventRing *ring)
{
    if (!ring)
        return;
    SharedFree(ring->StorageHandle, ring->First);
    SharedDelete(ring->RecordHandle, ring);
}

bool RingPut(TMidiEventRing *ring, const TMidiRingEvent &event) noexcept
{
    // Single writer: the relaxed load reads our own last store.
    const std::uint16_t count = ring->Count.load(std::memory_order_relaxed);
    if (count >= ring->SlotCount)
        return false;
    *ring->PutPos = event;
    if (++ring->PutPos == ring->End)
        ring->PutPos = ring->First;
    // Published after the slot is written, so a reader never sees a count ahead of the data.
    ring->Count.store(count + 1, std::memory_order_release);
    return true;
}
