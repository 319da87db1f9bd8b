#include "midi/SharedAlloc.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<int> liveBlocks{0};
std::atomic<int> failCountdown{-1};

bool injectedFailure()
{
    int left = failCountdown.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (failCountdown.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
            return left == 0;
    }
    return false;
}
} // namespace

SharedBlock SharedAlloc(std::uint32_t size)
{
    if (injectedFailure())
        return {};
    // calloc gives zero-filled memory aligned for any object, and it never moves.
    void *address = std::calloc(1, size == 0 ? 1 : size);
    if (!address)
        return {};
    liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return {address, reinterpret_cast<SharedHandle>(address)};
}

void SharedFree(SharedHandle handle, void *)
{
    if (handle == 0)
        return;
    std::free(reinterpret_cast<void *>(handle));
    liveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

int SharedAllocLiveCount()
{
    return liveBlocks.load(std::memory_order_relaxed);
}

void SharedAllocFailAfter(int successes)
{
    failCountdown.store(successes, std::memory_order_relaxed);
}
