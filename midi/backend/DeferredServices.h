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
#include "midi/backend/MidiServices.h"

#include <functional>
#include <future>
#include <memory>

class DeferredServices final : public MidiServices
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

    std::uint32_t outputDeviceCount() override;
    MidiResult outputDeviceCaps(int deviceId, MidiOutCaps &caps) override;
    MidiResult openOutput(MidiHandle &handle, int deviceId, MidiCallbackFunction callback,
                          std::uintptr_t instance) override;
    MidiResult closeOutput(MidiHandle handle) override;
    MidiResult sendShortMessage(MidiHandle handle, std::uint32_t word) override;
    MidiResult prepareOutputHeader(MidiHandle handle, MidiHeader *header) override;
    MidiResult sendLongMessage(MidiHandle handle, MidiHeader *header) override;
    MidiResult unprepareOutputHeader(MidiHandle handle, MidiHeader *header) override;

    std::uint32_t inputDeviceCount() override;
    MidiResult inputDeviceCaps(int deviceId, MidiInCaps &caps) override;
    MidiResult openInput(MidiHandle &handle, int deviceId, MidiCallbackFunction callback,
                         std::uintptr_t instance) override;
    MidiResult closeInput(MidiHandle handle) override;
    MidiResult prepareInputHeader(MidiHandle handle, MidiHeader *header) override;
    MidiResult addInputBuffer(MidiHandle handle, MidiHeader *header) override;
    MidiResult startInput(MidiHandle handle) override;
    MidiResult resetInput(MidiHandle handle) override;
    MidiResult unprepareInputHeader(MidiHandle handle, MidiHeader *header) override;

    MidiResult errorText(std::uint32_t code, std::string &text) const override;

private:
    mutable std::future<std::unique_ptr<MidiServices>> pending_;
    mutable std::unique_ptr<MidiServices> services_;
};
