#include "midi/NotificationQueue.h"

#include "midi/MidiNotifications.h"

NotificationQueue::NotificationQueue(std::size_t capacity) : handOver_(capacity) {}

bool NotificationQueue::post(std::uint32_t number, std::uintptr_t param) noexcept
{
    if (handOver_.push({number, param}))
        return true;
    // Full: only the notifications that carry nothing of their own can wait as a count.
    if (param == 0 && number == NotifyItemStored)
        countedStored_.fetch_add(1, std::memory_order_release);
    else if (param == 0 && number == NotifyItemDropped)
        countedDropped_.fetch_add(1, std::memory_order_release);
    else {
        lost_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    handOver_.wake();
    return true;
}

std::uint32_t NotificationQueue::takeCounted(std::uint32_t number) noexcept
{
    if (number == NotifyItemStored)
        return countedStored_.exchange(0, std::memory_order_acquire);
    if (number == NotifyItemDropped)
        return countedDropped_.exchange(0, std::memory_order_acquire);
    return 0;
}
