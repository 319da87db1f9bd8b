#include "midi/backend/simulated/CombinedServices.h"

CombinedServices::CombinedServices(std::unique_ptr<MidiServices> system)
    : system_(std::move(system))
{
}

CombinedServices::CombinedServices(PendingServices system) : pendingSystem_(std::move(system)) {}

// A future of std::async waits in its destructor for the services still being made; one whose
// making was deferred to its first use is never made just to be destroyed.
CombinedServices::~CombinedServices() = default;

MidiServices *CombinedServices::system() const
{
    if (pendingSystem_.valid()) {
        // get() orders everything the making thread did before what this thread does next. It
        // leaves the future empty even when it throws: a failure comes out of one call only.
        system_ = pendingSystem_.get();
        if (system_ && listener_)
            system_->setChangeListener(listener_);
    }
    return system_.get();
}

void CombinedServices::trampoline(MidiHandle, std::uint32_t message, std::uintptr_t instance,
                                  std::uintptr_t param1, std::uintptr_t param2) noexcept
{
    const auto *route = reinterpret_cast<const Route *>(instance);
    route->callback(route->outer, message, route->instance, param1, param2);
}

CombinedServices::Route *CombinedServices::find(const Direction &direction, MidiHandle handle)
{
    const auto found = direction.routes.find(handle);
    return found == direction.routes.end() ? nullptr : found->second.get();
}

MidiServices *CombinedServices::locate(Direction &direction, int &deviceId)
{
    if (direction.systemCount < 0)
        deviceCount(direction);
    // Negative ids are the system's too: the mapper -1, if the system has one.
    if (MidiServices *system = this->system(); system && deviceId < direction.systemCount)
        return system;
    deviceId -= direction.systemCount;
    return &simulated_;
}

std::uint32_t CombinedServices::deviceCount(Direction &direction)
{
    MidiServices *system = this->system();
    direction.systemCount = system ? static_cast<int>((system->*direction.count)()) : 0;
    return std::uint32_t(direction.systemCount) + (simulated_.*direction.count)();
}

MidiResult CombinedServices::health(const Direction &direction, MidiHandle handle)
{
    const Route *route = find(direction, handle);
    return route ? ((*route->services).*direction.health)(route->inner) : MidiErrInvalidHandle;
}

template <class Caps>
MidiResult CombinedServices::deviceCaps(Direction &direction, int deviceId,
                                        MidiResult (MidiServices::*query)(int, Caps &), Caps &caps)
{
    MidiServices *services = locate(direction, deviceId);
    return services ? (services->*query)(deviceId, caps) : MidiErrBadDeviceId;
}

MidiResult CombinedServices::open(Direction &direction, MidiHandle &handle, int deviceId,
                                  MidiCallbackFunction callback, std::uintptr_t instance)
{
    MidiServices *services = locate(direction, deviceId);
    if (!services)
        return MidiErrBadDeviceId;
    if (!callback)
        return MidiErrInvalidParam;
    // The route is in place before the inner open: the services may call back during it, and
    // nothing that can throw comes after a successful open, which would leave a device open
    // with no route.
    const auto placed = direction.routes.emplace(
        nextHandle_,
        std::make_unique<Route>(Route{services, NoMidiHandle, nextHandle_, callback, instance}));
    Route &route = *placed.first->second;
    MidiHandle inner = NoMidiHandle;
    MidiResult result = MidiErrUnspecified;
    try {
        result = (services->*direction.open)(inner, deviceId, trampoline,
                                             reinterpret_cast<std::uintptr_t>(&route));
    } catch (...) {
        direction.routes.erase(placed.first);
        throw;
    }
    if (result != MidiOk) {
        direction.routes.erase(placed.first);
        return result;
    }
    route.inner = inner;
    handle = nextHandle_++;
    return MidiOk;
}

MidiResult CombinedServices::close(Direction &direction, MidiHandle handle)
{
    Route *route = find(direction, handle);
    if (!route)
        return MidiErrInvalidHandle;
    const MidiResult result = (route->services->*direction.close)(route->inner);
    if (result == MidiOk)
        direction.routes.erase(handle); // no callback comes through it any more
    return result;
}

template <class... Args>
MidiResult CombinedServices::routed(Direction &direction, MidiHandle handle,
                                    MidiResult (MidiServices::*call)(MidiHandle, Args...),
                                    std::type_identity_t<Args>... args)
{
    Route *route = find(direction, handle);
    return route ? ((*route->services).*call)(route->inner, args...) : MidiErrInvalidHandle;
}

// ---- outputs ----

std::uint32_t CombinedServices::outputDeviceCount()
{
    return deviceCount(outputs_);
}

MidiResult CombinedServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
{
    return deviceCaps(outputs_, deviceId, &MidiServices::outputDeviceCaps, caps);
}

MidiResult CombinedServices::openOutput(MidiHandle &handle, int deviceId,
                                        MidiCallbackFunction callback, std::uintptr_t instance)
{
    return open(outputs_, handle, deviceId, callback, instance);
}

MidiResult CombinedServices::closeOutput(MidiHandle handle)
{
    return close(outputs_, handle);
}

MidiResult CombinedServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    return routed(outputs_, handle, &MidiServices::sendShortMessage, word);
}

MidiResult CombinedServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return routed(outputs_, handle, &MidiServices::prepareOutputHeader, header);
}

MidiResult CombinedServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    return routed(outputs_, handle, &MidiServices::sendLongMessage, header);
}

MidiResult CombinedServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return routed(outputs_, handle, &MidiServices::unprepareOutputHeader, header);
}

// ---- inputs ----

std::uint32_t CombinedServices::inputDeviceCount()
{
    return deviceCount(inputs_);
}

MidiResult CombinedServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    return deviceCaps(inputs_, deviceId, &MidiServices::inputDeviceCaps, caps);
}

MidiResult CombinedServices::openInput(MidiHandle &handle, int deviceId,
                                       MidiCallbackFunction callback, std::uintptr_t instance)
{
    return open(inputs_, handle, deviceId, callback, instance);
}

MidiResult CombinedServices::closeInput(MidiHandle handle)
{
    return close(inputs_, handle);
}

MidiResult CombinedServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return routed(inputs_, handle, &MidiServices::prepareInputHeader, header);
}

MidiResult CombinedServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    return routed(inputs_, handle, &MidiServices::addInputBuffer, header);
}

MidiResult CombinedServices::startInput(MidiHandle handle)
{
    return routed(inputs_, handle, &MidiServices::startInput);
}

MidiResult CombinedServices::resetInput(MidiHandle handle)
{
    return routed(inputs_, handle, &MidiServices::resetInput);
}

MidiResult CombinedServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return routed(inputs_, handle, &MidiServices::unprepareInputHeader, header);
}

MidiResult CombinedServices::errorText(std::uint32_t code, std::string &text) const
{
    // The system's services may know codes of their own; the simulated ones know the shared set.
    if (MidiServices *system = this->system(); system && system->errorText(code, text) == MidiOk)
        return MidiOk;
    return simulated_.errorText(code, text);
}

void CombinedServices::replaceSystem(PendingServices system)
{
    replaceSystem(nullptr);
    pendingSystem_ = std::move(system);
}

void CombinedServices::replaceSystem(std::unique_ptr<MidiServices> system)
{
    // Services still being made are taken first, so that a client of ours is never doubled.
    // They are going: that they could not be made no longer matters.
    try {
        this->system();
    } catch (...) {
    }
    for (Direction *direction : {&outputs_, &inputs_}) {
        for (auto it = direction->routes.begin(); it != direction->routes.end();) {
            if (it->second->services != system_.get()) {
                ++it;
                continue;
            }
            // Closed now, whatever it answers: its services are about to go.
            ((*system_).*direction->close)(it->second->inner);
            it = direction->routes.erase(it);
        }
        direction->systemCount = -1;
    }
    if (system_)
        system_->setChangeListener(nullptr);
    system_ = std::move(system);
    if (system_ && listener_)
        system_->setChangeListener(listener_);
}

void CombinedServices::setChangeListener(MidiChangeListener *listener)
{
    listener_ = listener;
    if (MidiServices *system = this->system())
        system->setChangeListener(listener);
}

MidiSystemStatus CombinedServices::systemStatus() const
{
    const MidiServices *system = this->system();
    return system ? system->systemStatus() : MidiSystemStatus{};
}

MidiResult CombinedServices::outputHealth(MidiHandle handle) const
{
    return health(outputs_, handle);
}

MidiResult CombinedServices::inputHealth(MidiHandle handle) const
{
    return health(inputs_, handle);
}
