#pragma once
// What an output sender thread writes to: one open output of the system's MIDI services.
#include "midi/backend/MidiServices.h"
#include "midi/backend/ShortMessage.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

class MidiWire
{
public:
    virtual ~MidiWire() = default;

    // Sender thread. Hands one complete message on, in order. sentAt is when the program sent it
    // (the sender thread may take it up a little later): a wire that times its events keeps
    // them as far apart as they were sent. May wait while the system catches up (never
    // spinning), but returns soon after abandon becomes true.
    virtual MidiResult write(const std::uint8_t *bytes, std::size_t size,
                             std::chrono::steady_clock::time_point sentAt,
                             const std::atomic<bool> &abandon) = 0;
    // Sender thread, whenever its queue runs empty and at close: waits until what was written
    // has reached the device, at most until deadline or abandon. MidiOk only when it has;
    // otherwise the reason it has not.
    virtual MidiResult drain(std::chrono::steady_clock::time_point deadline,
                             const std::atomic<bool> &abandon) = 0;
    // Any thread: whether the wire is still being connected, holding its messages back until it
    // is; closing waits for that as for messages that leave.
    virtual bool connecting() const { return false; }
    // Any thread: MidiOk while messages can go out, otherwise the code a send now returns.
    virtual MidiResult health() const = 0;
};

// For a wire whose system takes one whole message at a time: hands the block to sendOne(bytes,
// size) message by message. Stops before the next message once abandon is set (MidiErrNotReady:
// closing has given up on the output, and what is left stays unsent, which is not a failure of
// the system), or at the first message sendOne refuses, with its result.
template <class SendOne>
MidiResult writeMessageByMessage(const std::uint8_t *bytes, std::size_t size,
                                 const std::atomic<bool> &abandon, SendOne sendOne)
{
    for (std::size_t done = 0; done < size;) {
        if (abandon.load())
            return MidiErrNotReady;
        const std::size_t length = firstMessageLength(bytes + done, size - done);
        if (const MidiResult result = sendOne(bytes + done, length); result != MidiOk)
            return result;
        done += length;
    }
    return MidiOk;
}
