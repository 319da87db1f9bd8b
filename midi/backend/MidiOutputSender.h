#pragma once
// The FIFO and sender thread of one open system output.
//
// Every message sent on the output, short or long, is queued here in call order and written to
// the wire by one sender thread, so messages leave in the order they were sent: a short message
// never overtakes a long one queued before it. The GUI thread never calls into the MIDI system
// to send (a system write can wait for room, or, with RtMidi over a dead JACK server, spin
// forever); it only appends to the FIFO.
//
// Threads
// - GUI thread (the services' caller): sendShort, sendLong, close, the destructor.
// - Sender thread: writes to the wire, and reports every long message back through the callback
//   (OutDone) once it has been written, or abandoned. It is the only thread that calls the
//   callback of this output, so callback calls never overlap.
#include "midi/backend/MidiServices.h"
#include "midi/backend/MidiWire.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

class MidiOutputSender
{
public:
    MidiOutputSender(MidiWire &wire, MidiHandle handle, MidiCallbackFunction callback,
                     std::uintptr_t instance);
    // Closes with the default drain limit if close() was not called.
    ~MidiOutputSender();

    MidiOutputSender(const MidiOutputSender &) = delete;
    MidiOutputSender &operator=(const MidiOutputSender &) = delete;

    // Queues a short message (packed word); refuses it when the wire cannot send any more.
    MidiResult sendShort(std::uint32_t word);
    // Queues a long message whose header the caller found queueable (MidiHeaderRules.h) and
    // marks it queued once accepted. Its OutDone comes from the sender thread, exactly once.
    MidiResult sendLong(MidiHeader *header);

    // Lets every queued message leave, waiting at most drainLimit in all; what is still queued
    // then is handed back unsent (OutDone). When this returns, the thread has ended and the
    // callback will not be called again.
    void close(std::chrono::milliseconds drainLimit = kDefaultDrainLimit);

    static constexpr std::chrono::milliseconds kDefaultDrainLimit{1200};

private:
    struct Item
    {
        MidiHeader *header = nullptr; // a long message, or null for a short one
        std::array<std::uint8_t, 3> bytes{};
        std::uint8_t size = 0;
        std::chrono::steady_clock::time_point sentAt{}; // on the caller's thread
    };

    void run();
    void handBack(MidiHeader *header);

    MidiWire &wire_;
    const MidiHandle handle_;
    const MidiCallbackFunction callback_;
    const std::uintptr_t instance_;

    std::mutex mutex_;
    std::condition_variable wake_;    // the sender waits here for work or the end
    std::condition_variable stopped_; // close() waits here for the sender to finish
    std::deque<Item> queue_;
    bool closing_ = false;
    bool finished_ = false;
    std::chrono::steady_clock::time_point deadline_{};
    std::atomic<bool> abandon_{false}; // the drain limit passed: hand back without sending
    std::thread thread_;
};
