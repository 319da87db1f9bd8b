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
//   (OutDone) once it has been written, or abandoned. Callback calls are made holding the
//   sender's lock, so they never overlap, also when close hands back what a stuck wire holds.
//   A long message that empties the queue comes back only once the wire has delivered it
//   (drain), so that a caller who waits for the last completion knows its messages have
//   arrived, or, from health(), why not.
//
// A message that the wire fails to deliver fails the output with the wire's reason: health()
// says it, later sends are refused with it, and what was queued after the message is handed
// back unsent, so that nothing arrives after a message that was lost. A reason the wire shows
// itself lasts as long as the wire shows it; any other, for the rest of the output's life. Not
// so a message the wire gave up waiting for (MidiErrNotReady: a receiver that took nothing
// for seconds): that message comes back undelivered, alone, and the next one tries again.
//
// Closing is bounded: close waits for the wire only as long as it makes progress (or is still
// being connected, kDeliveryLimit at most), then asks it to abandon what it is writing, and a
// wire that still does not let go is left to its write on the sender thread (which then owns
// it) while close hands everything back itself. The wire
// writes a copy of each long message, so a header handed back early is never read again.
#include "midi/backend/MidiServices.h"
#include "midi/backend/MidiWire.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

class MidiOutputSender
{
public:
    // The sender shares the wire with its owner: a wire left writing after close stays with
    // the sender thread.
    MidiOutputSender(std::shared_ptr<MidiWire> wire, MidiHandle handle,
                     MidiCallbackFunction callback, std::uintptr_t instance);
    // Closes with the default drain limit if close() was not called.
    ~MidiOutputSender();

    MidiOutputSender(const MidiOutputSender &) = delete;
    MidiOutputSender &operator=(const MidiOutputSender &) = delete;

    // MidiOk while messages can go out; otherwise the reason, the wire's own or that of a
    // message it failed to deliver.
    MidiResult health() const;
    // Queues a short message (packed word); refuses it when the wire cannot send any more.
    MidiResult sendShort(std::uint32_t word);
    // Queues a long message whose header the caller found queueable (MidiHeaderRules.h) and
    // marks it queued once accepted. Its OutDone comes exactly once, from the sender thread or
    // from close.
    MidiResult sendLong(MidiHeader *header);

    // Lets every queued message leave while the wire makes progress: close gives up once no
    // message has gone for drainLimit (a frozen server, a stuck device). What is still queued
    // then is handed back unsent (OutDone). When this returns every header has been handed
    // back exactly once and the callback will not be called again. It takes at most
    // drainLimit + kAbandonLimit beyond the time the wire needs for what was queued.
    void close(std::chrono::milliseconds drainLimit = kDefaultDrainLimit);

    static constexpr std::chrono::milliseconds kDefaultDrainLimit{100};
    // How long a wire told to abandon may take to let go before close leaves it behind.
    static constexpr std::chrono::milliseconds kAbandonLimit{20};
    // How long the last message of a burst may take to reach the device before it counts as
    // lost (a connection that is never made, a server that stopped its cycles).
    static constexpr std::chrono::seconds kDeliveryLimit{5};

    // Wires whose sender thread was left writing by close and has ended since; they are kept,
    // never destroyed, since they may refer to a system that has gone (debug hook for tests).
    static std::size_t wiresLeftBehind();

private:
    struct Item
    {
        MidiHeader *header = nullptr; // a long message, or null for a short one
        std::array<std::uint8_t, 3> bytes{};
        std::uint8_t size = 0;
        std::chrono::steady_clock::time_point sentAt{}; // on the caller's thread
    };
    struct State;

    // Queues the item unless the wire is unwell or the sender is closing.
    MidiResult enqueue(const Item &item);
    static void run(State &state);
    static bool takeNext(State &state, Item &item);
    static MidiResult deliver(State &state, const Item &item);
    static void leaveBehind(State &state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};
