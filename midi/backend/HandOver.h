#pragma once
// The hand-over of fixed-size items from any thread to one consumer thread with an event loop: a
// bounded lock-free queue plus a WakeUp that the consumer's event loop watches (on the GUI
// thread through a HandOverWatch).
//
// Threads: push() and wake() may be called from any thread, also from several at once; they
// allocate nothing, take no lock and never wait (a bounded multi-producer queue with per-cell
// sequence numbers, and a WakeUp, which writes only when the consumer is not already due to
// wake, so a burst costs one system call). Everything else runs on the consumer's thread.
//
// Nothing pushed is lost: push() says when the queue is full, and the producer decides what that
// means (a producer that can afford no loss never has more items waiting than the queue holds).
#include "midi/backend/WakeUp.h"

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>

template <class T> class HandOver
{
public:
    // capacity is rounded up to a power of two.
    explicit HandOver(std::size_t capacity)
    {
        const std::size_t size = std::bit_ceil(capacity < 2 ? std::size_t{2} : capacity);
        cells_ = std::make_unique<Cell[]>(size);
        mask_ = size - 1;
        for (std::size_t i = 0; i < size; ++i)
            cells_[i].sequence.store(i, std::memory_order_relaxed);
    }
    HandOver(const HandOver &) = delete;
    HandOver &operator=(const HandOver &) = delete;

    // ---- producers ----
    // Queues item and wakes the consumer; false, with nothing queued, when the queue is full.
    bool push(const T &item) noexcept
    {
        std::size_t pos = enqueuePos_.load(std::memory_order_relaxed);
        Cell *cell;
        for (;;) {
            cell = &cells_[pos & mask_];
            const std::size_t sequence = cell->sequence.load(std::memory_order_acquire);
            const auto diff =
                static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(pos);
            if (diff == 0) {
                if (enqueuePos_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed))
                    break;
            } else if (diff < 0) {
                return false; // full: the consumer has not yet taken the cell one lap behind
            } else {
                pos = enqueuePos_.load(std::memory_order_relaxed);
            }
        }
        cell->value = item;
        cell->sequence.store(pos + 1, std::memory_order_release);
        wake_.raise();
        return true;
    }
    // Wakes the consumer for something published outside the queue (a count, a flag).
    void wake() noexcept { wake_.raise(); }

    // ---- consumer ----
    std::size_t capacity() const { return mask_ + 1; }
    const WakeUp &wakeUp() const { return wake_; }
    // Consumes the wake-up; call before draining, so that a push during the drain wakes again.
    void acknowledge() noexcept { wake_.acknowledge(); }
    // The oldest item; false when there is none (or its producer has not finished writing it:
    // that producer's own wake-up brings the consumer back).
    bool pop(T &out) noexcept
    {
        Cell &cell = cells_[dequeuePos_ & mask_];
        if (cell.sequence.load(std::memory_order_acquire) != dequeuePos_ + 1)
            return false;
        out = cell.value;
        cell.sequence.store(dequeuePos_ + mask_ + 1, std::memory_order_release);
        ++dequeuePos_;
        return true;
    }

private:
    struct Cell
    {
        std::atomic<std::size_t> sequence;
        T value;
    };
    std::unique_ptr<Cell[]> cells_;
    std::size_t mask_;
    alignas(64) std::atomic<std::size_t> enqueuePos_{0};
    alignas(64) std::size_t dequeuePos_ = 0;
    WakeUp wake_;
};
