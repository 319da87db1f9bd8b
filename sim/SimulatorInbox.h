#pragma once
// The hand-over of MIDI bytes from the thread that sends them to the thread where the
// simulated box runs: a fixed-size single-producer, single-consumer byte ring plus a wake-up
// that the consumer's event loop watches (an eventfd; a pipe where there is none).
//
// Threads: push() runs on the sending thread (the MIDI services' worker; one thread at a time).
// It allocates nothing, takes no lock and never waits: it copies the bytes, publishes them with
// one atomic store and, when the consumer is not already due to wake, writes the wake-up once.
// A burst of messages therefore costs one wake-up, and the consumer drains it in one go.
// Everything else runs on the consumer's thread.
//
// A message that does not fit is dropped whole and counted, never cut: the box downstream sees
// a message missing, not a message torn in two.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace sim {

class SimulatorInbox
{
public:
    static constexpr std::size_t DefaultCapacity = 1 << 16;

    // capacity is rounded up to a power of two.
    explicit SimulatorInbox(std::size_t capacity = DefaultCapacity);
    ~SimulatorInbox();
    SimulatorInbox(const SimulatorInbox &) = delete;
    SimulatorInbox &operator=(const SimulatorInbox &) = delete;

    // ---- producer ----
    // False when the message was dropped for want of room.
    bool push(const std::uint8_t *bytes, std::size_t size) noexcept;

    // ---- consumer ----
    std::size_t capacity() const { return mask_ + 1; }
    int wakeHandle() const { return wakeRead_; }
    // Consumes the wake-up; call before draining, so that a push during the drain wakes again.
    void acknowledgeWake() noexcept;
    // Copies up to max waiting bytes to out, oldest first; returns how many.
    std::size_t pop(std::uint8_t *out, std::size_t max) noexcept;
    // Messages dropped so far because the ring was full (any thread may read).
    std::uint64_t droppedMessages() const noexcept
    {
        return dropped_.load(std::memory_order_relaxed);
    }

private:
    void wake() noexcept;

    std::unique_ptr<std::uint8_t[]> ring_;
    std::size_t mask_;
    alignas(64) std::atomic<std::size_t> head_{0}; // next byte to write; only push() stores it
    alignas(64) std::atomic<std::size_t> tail_{0}; // next byte to read; only pop() stores it
    std::atomic<bool> wakePending_{false};
    std::atomic<std::uint64_t> dropped_{0};
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
};

} // namespace sim
