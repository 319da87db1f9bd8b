#pragma once
// The hand-over of bytes from the thread that produces them to a thread with an event loop: a
// fixed-size single-producer, single-consumer byte ring plus a WakeUp that the consumer's
// event loop watches. The editor's built-in simulator takes what the MIDI services send to it
// this way, and torvane-sim what RtMidi receives.
//
// Threads: push() runs on the producing thread (one thread at a time). It allocates nothing,
// takes no lock and never waits: it copies the bytes, publishes them with one atomic store and
// raises the wake-up, which writes only when the consumer is not already due to wake. A burst
// of messages therefore costs one wake-up, and the consumer drains it in one go. Everything
// else runs on the consumer's thread.
//
// A message that does not fit is dropped whole and counted, never cut: the consumer sees a
// message missing, not a message torn in two.
#include "midi/backend/WakeUp.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class ByteInbox
{
public:
    static constexpr std::size_t DefaultCapacity = 1 << 16;

    // capacity is rounded up to a power of two.
    explicit ByteInbox(std::size_t capacity = DefaultCapacity);
    ByteInbox(const ByteInbox &) = delete;
    ByteInbox &operator=(const ByteInbox &) = delete;

    // ---- producer ----
    // False when the message was dropped for want of room.
    bool push(const std::uint8_t *bytes, std::size_t size) noexcept;

    // ---- consumer ----
    std::size_t capacity() const { return mask_ + 1; }
    const WakeUp &wakeUp() const { return wake_; }
    WakeUp::Handle wakeHandle() const { return wake_.handle(); }
    // Consumes the wake-up; call before draining, so that a push during the drain wakes again.
    void acknowledgeWake() noexcept { wake_.acknowledge(); }
    // Copies up to max waiting bytes to out, oldest first; returns how many.
    std::size_t pop(std::uint8_t *out, std::size_t max) noexcept;
    // Messages dropped so far because the ring was full (any thread may read).
    std::uint64_t droppedMessages() const noexcept
    {
        return dropped_.load(std::memory_order_relaxed);
    }

private:
    std::unique_ptr<std::uint8_t[]> ring_;
    std::size_t mask_;
    alignas(64) std::atomic<std::size_t> head_{0}; // next byte to write; only push() stores it
    alignas(64) std::atomic<std::size_t> tail_{0}; // next byte to read; only pop() stores it
    std::atomic<std::uint64_t> dropped_{0};
    WakeUp wake_;
};
