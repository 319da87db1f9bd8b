#pragma once
// What the two MIDI ports share for talking with the driver: the per-port callback block, the
// one driver callback MidiCallback, and (through the includes) the event ring, the buffer
// wrapper TMyMidiHdr, shared memory and the notification queue.
//
// Threads: MidiCallback runs on the driver's thread. It reads the block, writes the ring and
// posts one notification; it allocates nothing, takes no lock, never waits and never calls user
// code. Everything else (creating and releasing blocks, rings and buffers, handling the
// notifications) happens on the GUI thread.
#include "midi/MidiEventRing.h"
#include "midi/MidiNotifications.h"
#include "midi/MyMidiHdr.h"
#include "midi/NotificationQueue.h"
#include "midi/SharedAlloc.h"
#include "midi/backend/MidiServices.h"

#include <atomic>
#include <cstdint>

// One per port, handed to the driver as the callback's instance value. Ring and Window are
// written before the device is opened (opening hands them to the driver thread); SysexOnly may
// be rewritten by the GUI thread at any time and is read by the callback at each message.
struct TMidiCallbackBlock
{
    SharedHandle BlockHandle;
    TMidiEventRing *Ring;                // the input port's ring; nullptr for an output port
    NotificationQueue *Window;           // the port's notification sink
    std::atomic<std::uint8_t> SysexOnly; // non-zero: drop received short messages
};

// A zero-filled block in shared memory, or nullptr.
TMidiCallbackBlock *CallbackBlockAlloc();
// nullptr does nothing.
void CallbackBlockFree(TMidiCallbackBlock *block);

// The driver callback (a MidiCallbackFunction). instance is the port's TMidiCallbackBlock.
void MidiCallback(MidiHandle handle, std::uint32_t message, std::uintptr_t instance,
                  std::uintptr_t param1, std::uintptr_t param2) noexcept;
