#pragma once
// The driver-thread half of a port's notification sink: a HandOver of notifications (a number
// and one parameter) to the GUI thread.
//
// Threads: post() may be called from any thread, also from several at once; it allocates
// nothing, takes no lock and never waits (see HandOver). Everything else runs on the GUI thread,
// which is the only consumer.
//
// Capacity and the never-lost guarantee: a completion (969) identifies a buffer that only the
// GUI thread can release, so it must never be dropped. The output port therefore never has more
// long messages in flight than the queue has cells, and at most one 969 per message can be
// waiting here, so a 969 always finds a free cell. The input port's notifications (963 item
// stored, 1024 item dropped) carry no data of their own, so when a burst fills the queue they
// are counted instead, and the GUI thread delivers the counted ones after the queued ones.
#include "midi/backend/HandOver.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

struct MidiNotification
{
    std::uint32_t number;
    std::uintptr_t param;
};

class NotificationQueue
{
public:
    static constexpr std::size_t DefaultCapacity = 4096;

    // capacity is rounded up to a power of two.
    explicit NotificationQueue(std::size_t capacity = DefaultCapacity);
    NotificationQueue(const NotificationQueue &) = delete;
    NotificationQueue &operator=(const NotificationQueue &) = delete;

    // Any thread. False only when the queue is full and the notification is not one that can be
    // counted (963 / 1024 with parameter 0).
    bool post(std::uint32_t number, std::uintptr_t param) noexcept;

    // ---- GUI thread ----
    std::size_t capacity() const { return handOver_.capacity(); }
    const WakeUp &wakeUp() const { return handOver_.wakeUp(); }
    WakeUp::Handle wakeHandle() const { return handOver_.wakeUp().handle(); }
    // Consumes the wake-up; call before draining, so a post during the drain wakes again.
    void acknowledgeWake() noexcept { handOver_.acknowledge(); }
    // Asks for another wake-up (e.g. when a drain stopped early).
    void rearm() noexcept { handOver_.wake(); }
    bool pop(MidiNotification &out) noexcept { return handOver_.pop(out); }
    // Notifications of this number counted because the queue was full; resets the count.
    std::uint32_t takeCounted(std::uint32_t number) noexcept;
    // Notifications that were neither queued nor counted (never a 969 from a port).
    std::uint32_t lostCount() const noexcept { return lost_.load(std::memory_order_relaxed); }

private:
    HandOver<MidiNotification> handOver_;
    std::atomic<std::uint32_t> countedStored_{0};
    std::atomic<std::uint32_t> countedDropped_{0};
    std::atomic<std::uint32_t> lost_{0};
};
