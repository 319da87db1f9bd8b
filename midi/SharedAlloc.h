#pragma once
// Memory that the MIDI driver thread and the driver callback touch: zero-filled blocks that stay
// at one address while allocated. Everything the callback reads or writes (callback blocks,
// rings, buffer headers and their data) comes from here, is allocated before a device is opened
// and is released only after it is closed.
//
// Sizes are 32-bit. The ports' own sizes are 16-bit (a message buffer holds at most 65535
// bytes), but the storage of the largest event ring is not: 5461 items take 87,376 bytes where
// an address takes 8 bytes.
#include <cstdint>
#include <memory>

// Identifies one block for its release; 0 is none.
using SharedHandle = std::uintptr_t;

struct SharedBlock
{
    void *address = nullptr;
    SharedHandle handle = 0;
};

// A zero-filled block of size bytes (size 0 gives a valid, empty block); none and none on failure.
SharedBlock SharedAlloc(std::uint32_t size);
// Releases the block; a none handle releases nothing.
void SharedFree(SharedHandle handle, void *address);

// An object constructed in a block of its own (so that its atomics start life as objects), or
// nullptr; handle receives the block's handle.
template <class T> T *SharedNew(SharedHandle &handle)
{
    const SharedBlock block = SharedAlloc(sizeof(T));
    if (!block.address)
        return nullptr;
    handle = block.handle;
    return std::construct_at(static_cast<T *>(block.address));
}

// Destroys an object made by SharedNew and releases its block; nullptr does nothing.
template <class T> void SharedDelete(SharedHandle handle, T *object)
{
    if (!object)
        return;
    std::destroy_at(object);
    SharedFree(handle, object);
}

// Debug hooks for tests: the number of blocks allocated and not yet released, and a way to make
// the allocation after the next `successes` ones fail (-1 = never fail).
int SharedAllocLiveCount();
void SharedAllocFailAfter(int successes);
