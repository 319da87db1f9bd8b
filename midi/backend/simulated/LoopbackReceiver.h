#pragma once
// The input end of the in-process "Virtual Loopback" pair (SimulatedServices): what the
// loopback output sends arrives here and goes out through the input's callback the way a
// system input delivers it: each short message as InData (InError for a word without a status
// byte), each SysEx copied into the queued receive buffers, oldest first, and handed back
// (InLongData; a buffer that fills hands back at once and the message goes on in the next one;
// a SysEx cut short by the end of the message comes back as InLongError). Nothing is delivered
// before start(); reset() hands every queued buffer back and stops delivery.
//
// Threads: none of its own. SimulatedServices calls every method under its lock, the data from
// its worker thread and the rest from the caller's thread, so the callbacks for the input run
// one after another.
#include "midi/backend/MidiServices.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>

class LoopbackReceiver
{
public:
    LoopbackReceiver(MidiHandle handle, MidiCallbackFunction callback, std::uintptr_t instance);

    MidiHandle handle() const { return handle_; }
    bool holdsBuffers() const { return !buffers_.empty(); }

    // The header rules apply (MidiHeaderRules.h).
    MidiResult addBuffer(MidiHeader *header);
    // Time stamps count from the first start after opening or resetting.
    void start();
    void reset();

    // What the loopback output sends: a short message word, or a long message, which is a byte
    // stream of SysEx blocks and short messages (running status allowed) in between; the latter
    // returns the SysEx bytes dropped because no buffer was queued for them.
    void receiveShort(std::uint32_t word);
    std::size_t receiveStream(const std::uint8_t *bytes, std::size_t size);

private:
    std::size_t receiveSysex(const std::uint8_t *bytes, std::size_t size, bool complete);
    void handBack(std::uint32_t message);
    std::uint32_t time() const;

    const MidiHandle handle_;
    const MidiCallbackFunction callback_;
    const std::uintptr_t instance_;
    bool started_ = false;
    std::chrono::steady_clock::time_point startTime_{};
    std::deque<MidiHeader *> buffers_;
};
