#pragma once
// Turns the bytes one system input receives into the services' callback calls: short messages
// as packed words with milliseconds since start, SysEx copied into the receive buffers the
// caller queued, and, on reset, every queued buffer handed back.
//
// Threads
// - Driver thread (JACK's real-time process thread, or RtMidi's input thread): receive() only.
//   It allocates nothing, takes no lock and never waits: the buffer queue is a fixed ring with
//   one producer (addBuffer) and one consumer (receive), allocated when the input is opened.
// - GUI thread: everything else. reset() first stops delivery and waits for a receive() that
//   is already running to return (it never blocks, so this takes microseconds); only then does
//   it touch the consumer side, so callback calls for the input never overlap.
#include "midi/backend/MidiServices.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// What feeds a delivery: a port of the system that calls receive() from the system's thread
// until it is destroyed.
class MidiSource
{
public:
    virtual ~MidiSource() = default;
    // Any thread: MidiOk while what the device sends can arrive, otherwise why not.
    virtual MidiResult health() const { return MidiOk; }
};

class MidiInputDelivery
{
public:
    // maxBuffers: how many receive buffers may be queued at one time.
    MidiInputDelivery(MidiHandle handle, MidiCallbackFunction callback, std::uintptr_t instance,
                      std::size_t maxBuffers = kDefaultMaxBuffers);

    MidiInputDelivery(const MidiInputDelivery &) = delete;
    MidiInputDelivery &operator=(const MidiInputDelivery &) = delete;

    // GUI thread. The caller found the header queueable (MidiHeaderRules.h); it is marked
    // queued here. MidiErrNoMemory when maxBuffers are queued already.
    MidiResult addBuffer(MidiHeader *header);
    // GUI thread. Delivery starts; time stamps count from nowUs (the clock receive() uses).
    void start(std::uint64_t nowUs);
    // GUI thread. Stops delivery and hands back every buffer it holds (InLongData): the one being
    // filled with its bytes so far, the others empty.
    void reset();
    // Buffers queued and not yet handed back (any thread).
    std::size_t buffersHeld() const { return held_.load(std::memory_order_acquire); }

    // Driver thread: one event as the system delivered it (a complete message, a SysEx or a
    // fragment of one), received at timeUs.
    void receive(const std::uint8_t *bytes, std::size_t size, std::uint64_t timeUs) noexcept;
    // Driver thread: the system lost events of this input (its queue overflowed). A SysEx under
    // way comes back cut short (InLongError), never joined to what follows the gap.
    void lost() noexcept;

    static constexpr std::size_t kDefaultMaxBuffers = 4096;

private:
    // One full pass of the byte parser; runs on the driver thread while delivery is on.
    void parse(const std::uint8_t *bytes, std::size_t size, std::uint32_t ms) noexcept;
    void sysexByte(std::uint8_t byte, std::uint32_t ms) noexcept;
    void endSysex(std::uint32_t message, std::uint32_t ms) noexcept;
    MidiHeader *takeBuffer() noexcept;
    void handBack(MidiHeader *header, std::uint32_t message, std::uint32_t ms) noexcept;
    void emit(std::uint32_t message, std::uint32_t word, std::uint32_t ms) noexcept;

    const MidiHandle handle_;
    const MidiCallbackFunction callback_;
    const std::uintptr_t instance_;

    // Buffer ring: addBuffer writes slots and advances tail_; the consumer advances head_.
    std::unique_ptr<MidiHeader *[]> slots_;
    const std::size_t capacity_;
    std::atomic<std::size_t> head_{0};
    std::atomic<std::size_t> tail_{0};
    std::atomic<std::size_t> held_{0};

    // Delivery on/off and the hand-shake that lets reset() wait out a running receive().
    std::atomic<bool> enabled_{false};
    std::atomic<int> busy_{0};
    std::atomic<std::uint64_t> startUs_{0};

    // Consumer-side SysEx state (driver thread while enabled, GUI thread inside reset()).
    MidiHeader *current_ = nullptr; // the buffer being filled
    bool inSysex_ = false;
    bool dropping_ = false;    // the SysEx found no buffer: its remaining bytes are dropped
    std::uint32_t lastMs_ = 0; // the latest time stamp given
};
