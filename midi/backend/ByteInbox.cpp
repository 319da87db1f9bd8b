#include "midi/backend/ByteInbox.h"

#include <algorithm>
#include <bit>
#include <cstring>

ByteInbox::ByteInbox(std::size_t capacity)
{
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(capacity, 16));
    ring_ = std::make_unique<std::uint8_t[]>(size);
    mask_ = size - 1;
}

bool ByteInbox::push(const std::uint8_t *bytes, std::size_t size) noexcept
{
    const std::size_t head = head_.load(std::memory_order_relaxed);
    const std::size_t tail = tail_.load(std::memory_order_acquire);
    if (size > capacity() - (head - tail)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        wake_.raise(); // the consumer reports the loss
        return false;
    }
    const std::size_t at = head & mask_;
    const std::size_t first = std::min(size, capacity() - at);
    std::memcpy(&ring_[at], bytes, first);
    std::memcpy(&ring_[0], bytes + first, size - first);
    head_.store(head + size, std::memory_order_release);
    wake_.raise();
    return true;
}

std::size_t ByteInbox::pop(std::uint8_t *out, std::size_t max) noexcept
{
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t head = head_.load(std::memory_order_acquire);
    const std::size_t size = std::min(max, head - tail);
    const std::size_t at = tail & mask_;
    const std::size_t first = std::min(size, capacity() - at);
    std::memcpy(out, &ring_[at], first);
    std::memcpy(out + first, &ring_[0], size - first);
    tail_.store(tail + size, std::memory_order_release);
    return size;
}
