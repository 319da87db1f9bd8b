#include "midi/NotificationQueue.h"

#include "midi/MidiNotifications.h"

#include <bit>

NotificationQueue::NotificationQueue(std::size_t capacity)
{
    const std::size_t size = std::bit_ceil(capacity < 2 ? std::size_t{2} : capacity);
    cells_ = std::make_unique<Cell[]>(size);
    mask_ = size - 1;
    for (std::size_t i = 0; i < size; ++i)
        cells_[i].sequence.store(i, std::memory_order_relaxed);
}

bool NotificationQueue::post(std::uint32_t number, std::uintptr_t param) noexcept
{
    std::size_t pos = enqueuePos_.load(std::memory_order_relaxed);
    Cell *cell;
    for (;;) {
        cell = &cells_[pos & mask_];
        const std::size_t sequence = cell->sequence.load(std::memory_order_acquire);
        const auto diff = static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(pos);
        if (diff == 0) {
            if (enqueuePos_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed))
                break;
        } else if (diff < 0) {
            // Full: the GUI thread has not yet taken the cell one lap behind.
            if (param == 0 && number == NotifyItemStored)
                countedStored_.fetch_add(1, std::memory_order_release);
            else if (param == 0 && number == NotifyItemDropped)
                countedDropped_.fetch_add(1, std::memory_order_release);
            else {
                lost_.fetch_add(1, std::memory_order_relaxed);
                return false;
            }
            wake_.raise();
            return true;
        } else {
            pos = enqueuePos_.load(std::memory_order_relaxed);
        }
    }
    cell->value = {number, param};
    cell->sequence.store(pos + 1, std::memory_order_release);
    wake_.raise();
    return true;
}

bool NotificationQueue::pop(MidiNotification &out) noexcept
{
    Cell &cell = cells_[dequeuePos_ & mask_];
    const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
    // Empty, or the producer that claimed this cell has not finished writing it; its own wake-up
    // brings the GUI thread back.
    if (sequence != dequeuePos_ + 1)
        return false;
    out = cell.value;
    cell.sequence.store(dequeuePos_ + mask_ + 1, std::memory_order_release);
    ++dequeuePos_;
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
