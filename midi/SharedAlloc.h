#pragma once
// Memory that the MIDI driver thread and the driver callback touch: zero-filled blocks that stay
// at one address while allocated, at most 65535 bytes each. Everything the callback reads or
// writes (callback blocks, rings, buffer headers and their data) comes from here, is allocated
// before a device is opened and is released only after it is closed.
#include <cstdint>

// Identifies one block for its release; 0 is none.
using SharedHandle = std::uintptr_t;

struct SharedBlock
{
    void *address = nullptr;
    SharedHandle handle = 0;
};

// A zero-filled block of size bytes (size 0 gives a valid, empty block); none and none on failure.
SharedBlock SharedAlloc(std::uint16_t size);
// Releases the block; a none handle releases nothing.
void SharedFree(SharedHandle handle, void *address);

// Debug hooks for tests: the number of blocks allocated and not yet released, and a way to make
// the allocation after the next `successes` ones fail (-1 = never fail).
int SharedAllocLiveCount();
void SharedAllocFailAfter(int successes);
