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
    // Acquire: a slot the reader has given back (its decrement) is read out before we reuse it.
    // A count read just before the reader lowers it only makes the ring look fuller.
    if (ring->Count.load(std::memory_order_acquire) >= ring->SlotCount)
        return false;
    *ring->PutPos = event;
    if (++ring->PutPos == ring->End)
        ring->PutPos = ring->First;
    // Published after the slot is written, so a reader never sees a count ahead of the data.
    // An increment, not a store: the reader may lower the count meanwhile.
    ring->Count.fetch_add(1, std::memory_order_release);
    return true;
}

bool RingGet(TMidiEventRing *ring, TMidiRingEvent &event) noexcept
{
    if (ring->Count.load(std::memory_order_acquire) == 0)
        return false;
    event = *ring->GetPos;
    if (++ring->GetPos == ring->End)
        ring->GetPos = ring->First;
    // Released after the slot is read: only then may the writer fill it again.
    ring->Count.fetch_sub(1, std::memory_order_release);
    return true;
}
