#pragma once
// The editor's MIDI services: the system's devices first, then the in-process simulated ones
// ("Torvane Simulator" and "Virtual Loopback"), numbered on from where the system's end. Device
// numbers index the lists made by the latest outputDeviceCount / inputDeviceCount, so a system
// device that appears or goes away shifts the simulated ones at the next listing. The mapper
// device -1 is the system's, where it has one. The system's changes and status are the
// combination's; the simulated devices never change and are always connected.
//
// Handles are our own: each open device gets a route that remembers which services own it, and
// the callback passes through a small trampoline so the port sees the handle we gave it.
//
// The system's services may still be in the making when the combination is (connecting to a
// MIDI server takes about as long as building the main window, and the two overlap): then the
// first call that needs them waits until they are there, and from then on every call of a system
// device reaches them directly. A failure to make them comes out of that first call; the
// combination then goes on with the simulated devices only.
//
// Threads: as MidiServices. The routes are created and removed on the caller's thread; a driver
// thread only reads a route, which stays unchanged from open until close has returned. The
// system's services in the making are made on a thread of the maker's.
#include "midi/backend/MidiServiceOverrides.h"
#include "midi/backend/simulated/SimulatedServices.h"

#include <future>
#include <map>
#include <memory>
#include <type_traits>

class CombinedServices final : public MidiServices
{
public:
    // The system's services being made; a future that holds nullptr gives none.
    using PendingServices = std::future<std::unique_ptr<MidiServices>>;

    // system may be nullptr: then only the simulated devices exist.
    explicit CombinedServices(std::unique_ptr<MidiServices> system);
    explicit CombinedServices(PendingServices system);
    // Waits for system services still being made, and destroys them.
    ~CombinedServices() override;

    SimulatedServices &simulated() { return simulated_; }
    // The system's services (waiting for them if they are being made), or nullptr.
    MidiServices *system() const;
    // Another MIDI system's services in place of the system's (the user chose another system).
    // Devices of the old one still open are closed first, and their handles are unknown from
    // then on; the change listener moves to the new services, and the next listing counts their
    // devices. system may be nullptr.
    void replaceSystem(std::unique_ptr<MidiServices> system);
    void replaceSystem(PendingServices system);

    TORVANE_MIDI_DEVICE_OVERRIDES

    MidiResult errorText(std::uint32_t code, std::string &text) const override;
    void setChangeListener(MidiChangeListener *listener) override;
    MidiSystemStatus systemStatus() const override;
    MidiResult outputHealth(MidiHandle handle) const override;
    MidiResult inputHealth(MidiHandle handle) const override;

private:
    struct Route
    {
        MidiServices *services;
        MidiHandle inner;
        MidiHandle outer;
        MidiCallbackFunction callback;
        std::uintptr_t instance;
    };
    // One direction: the calls of any services that differ between outputs and inputs, and
    // the routes of the devices open in it.
    struct Direction
    {
        std::uint32_t (MidiServices::*count)();
        MidiResult (MidiServices::*open)(MidiHandle &, int, MidiCallbackFunction, std::uintptr_t);
        MidiResult (MidiServices::*close)(MidiHandle);
        MidiResult (MidiServices::*health)(MidiHandle) const;
        std::map<MidiHandle, std::unique_ptr<Route>> routes{};
        int systemCount = -1; // the system's devices at the latest listing; -1 before the first
    };

    static void trampoline(MidiHandle, std::uint32_t message, std::uintptr_t instance,
                           std::uintptr_t param1, std::uintptr_t param2) noexcept;
    // The services owning device id, and its number there; nullptr when there is none.
    MidiServices *locate(Direction &direction, int &deviceId);
    std::uint32_t deviceCount(Direction &direction);
    template <class Caps>
    MidiResult deviceCaps(Direction &direction, int deviceId,
                          MidiResult (MidiServices::*query)(int, Caps &), Caps &caps);
    MidiResult open(Direction &direction, MidiHandle &handle, int deviceId,
                    MidiCallbackFunction callback, std::uintptr_t instance);
    MidiResult close(Direction &direction, MidiHandle handle);
    // call(inner handle, args...) on the services of handle's route; MidiErrInvalidHandle when
    // there is no such route.
    template <class... Args>
    MidiResult routed(Direction &direction, MidiHandle handle,
                      MidiResult (MidiServices::*call)(MidiHandle, Args...),
                      std::type_identity_t<Args>... args);
    static Route *find(const Direction &direction, MidiHandle handle);
    static MidiResult health(const Direction &direction, MidiHandle handle);

    // Declared before the services, so destroyed after them: services that close what is
    // still open when they go hand its headers back through the routes.
    Direction outputs_{&MidiServices::outputDeviceCount, &MidiServices::openOutput,
                       &MidiServices::closeOutput, &MidiServices::outputHealth};
    Direction inputs_{&MidiServices::inputDeviceCount, &MidiServices::openInput,
                      &MidiServices::closeInput, &MidiServices::inputHealth};
    MidiHandle nextHandle_ = 1;
    MidiChangeListener *listener_ = nullptr;
    // Taken over by system() once they are made: the first call that needs them waits there.
    mutable PendingServices pendingSystem_;
    mutable std::unique_ptr<MidiServices> system_;
    SimulatedServices simulated_;
};
