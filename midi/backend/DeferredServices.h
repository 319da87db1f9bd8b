#pragma once
// MidiServices that are being made on a thread of their own while the caller goes on.
//
// Connecting to the system's MIDI services takes tens of milliseconds (a JACK client: the
// server handshake, its shared memory mapped and locked), about as long as building the main
// window. The program entry makes the system services through this class, so that the two
// overlap: the connection starts at construction, and the first call (the device listing at
// the end of the window's start-up) waits for it to finish. Behaviour is otherwise that of the
// services made: every call is passed on unchanged.
//
// Threads: the factory runs on a thread started by the constructor, which ends when the
// services exist (on the thread of the first call instead, when no thread can be started). Every
// other method waits for it and then runs on the caller's thread, under the rules of MidiServices
// (one calling thread at a time). An exception thrown by the factory comes out of the first call
// instead.
#include "midi/backend/ForwardingServices.h"

#include <functional>
#include <future>
#include <memory>

class DeferredServices final : public ForwardingServices
{
public:
    using Factory = std::function<std::unique_ptr<MidiServices>()>;

    explicit DeferredServices(Factory factory);
    // Waits for the factory if it is still running, then destroys the services it made.
    ~DeferredServices() override;
    DeferredServices(const DeferredServices &) = delete;
    DeferredServices &operator=(const DeferredServices &) = delete;

    // The services made, once the factory has finished.
    MidiServices &services() const;

protected:
    MidiServices &target() const override { return services(); }

private:
    mutable std::future<std::unique_ptr<MidiServices>> pending_;
    mutable std::unique_ptr<MidiServices> services_;
};
