#pragma once
// The editor's MIDI services: the system's devices first, then the in-process simulated ones
// ("Torvane Simulator" and "Virtual Loopback"), numbered on from where the system's end. Device
// numbers follow the current counts, so a system device that appears or goes away shifts the
// simulated ones. The mapper device -1 is the system's, where it has one.
//
// Handles are our own: each open device gets a route that remembers which services own it, and
// the callback passes through a small trampoline so the port sees the handle we gave it.
//
// Threads: as MidiServices. The routes are created and removed on the caller's thread; a driver
// thread only reads a route, which stays unchanged from open until close has returned.
#include "midi/backend/MidiServices.h"
#include "midi/backend/SimulatedServices.h"

#include <map>
#include <memory>

class CombinedServices final : public MidiServices
{
public:
    // system may be nullptr: then only the simulated devices exist.
    explicit CombinedServices(std::unique_ptr<MidiServices> system);
    ~CombinedServices() override;

    SimulatedServices &simulated() { return simulated_; }
    MidiServices *system() { return system_.get(); }

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
    struct Route
    {
        MidiServices *services;
        MidiHandle inner;
        MidiHandle outer;
        MidiCallbackFunction callback;
        std::uintptr_t instance;
    };
    using Routes = std::map<MidiHandle, std::unique_ptr<Route>>;

    static void trampoline(MidiHandle, std::uint32_t message, std::uintptr_t instance,
                           std::uintptr_t param1, std::uintptr_t param2) noexcept;
    // The services owning device id, and its number there; nullptr when there is none.
    MidiServices *locateOutput(int &deviceId);
    MidiServices *locateInput(int &deviceId);
    template <class OpenFn>
    MidiResult open(Routes &routes, MidiServices *services, MidiHandle &handle,
                    MidiCallbackFunction callback, std::uintptr_t instance, OpenFn openInner);
    static Route *find(Routes &routes, MidiHandle handle);

    std::unique_ptr<MidiServices> system_;
    SimulatedServices simulated_;
    Routes outputs_;
    Routes inputs_;
    MidiHandle nextHandle_ = 1;
};
