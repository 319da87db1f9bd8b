#include "midi/backend/CombinedServices.h"

CombinedServices::CombinedServices(std::unique_ptr<MidiServices> system)
    : system_(std::move(system))
{
}

CombinedServices::~CombinedServices() = default;

void CombinedServices::trampoline(MidiHandle, std::uint32_t message, std::uintptr_t instance,
                                  std::uintptr_t param1, std::uintptr_t param2) noexcept
{
    const auto *route = reinterpret_cast<const Route *>(instance);
    route->callback(route->outer, message, route->instance, param1, param2);
}

CombinedServices::Route *CombinedServices::find(Routes &routes, MidiHandle handle)
{
    const auto found = routes.find(handle);
    return found == routes.end() ? nullptr : found->second.get();
}

template <class OpenFn>
MidiResult CombinedServices::open(Routes &routes, MidiServices *services, MidiHandle &handle,
                                  MidiCallbackFunction callback, std::uintptr_t instance,
                                  OpenFn openInner)
{
    if (!services)
        return MidiErrBadDeviceId;
    if (!callback)
        return MidiErrInvalidParam;
    // The route exists before the inner open: the services may call back during it.
    auto route =
        std::make_unique<Route>(Route{services, NoMidiHandle, nextHandle_, callback, instance});
    MidiHandle inner = NoMidiHandle;
    const MidiResult result = openInner(inner, reinterpret_cast<std::uintptr_t>(route.get()));
    if (result != MidiOk)
        return result;
    route->inner = inner;
    handle = nextHandle_++;
    routes.emplace(handle, std::move(route));
    return MidiOk;
}

// ---- outputs ----

MidiServices *CombinedServices::locateOutput(int &deviceId)
{
    const int systemCount = system_ ? static_cast<int>(system_->outputDeviceCount()) : 0;
    if (deviceId < 0)
        return system_.get(); // the mapper, if the system has one
    if (deviceId < systemCount)
        return system_.get();
    deviceId -= systemCount;
    return &simulated_;
}

std::uint32_t CombinedServices::outputDeviceCount()
{
    return (system_ ? system_->outputDeviceCount() : 0) + simulated_.outputDeviceCount();
}

MidiResult CombinedServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
{
    MidiServices *services = locateOutput(deviceId);
    return services ? services->outputDeviceCaps(deviceId, caps) : MidiErrBadDeviceId;
}

MidiResult CombinedServices::openOutput(MidiHandle &handle, int deviceId,
                                        MidiCallbackFunction callback, std::uintptr_t instance)
{
    MidiServices *services = locateOutput(deviceId);
    return open(outputs_, services, handle, callback, instance,
                [&](MidiHandle &inner, std::uintptr_t route) {
                    return services->openOutput(inner, deviceId, trampoline, route);
                });
}

MidiResult CombinedServices::closeOutput(MidiHandle handle)
{
    Route *route = find(outputs_, handle);
    if (!route)
        return MidiErrInvalidHandle;
    const MidiResult result = route->services->closeOutput(route->inner);
    if (result == MidiOk)
        outputs_.erase(handle); // no callback comes through it any more
    return result;
}

MidiResult CombinedServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    Route *route = find(outputs_, handle);
    return route ? route->services->sendShortMessage(route->inner, word) : MidiErrInvalidHandle;
}

MidiResult CombinedServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    Route *route = find(outputs_, handle);
    return route ? route->services->prepareOutputHeader(route->inner, header)
                 : MidiErrInvalidHandle;
}

MidiResult CombinedServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    Route *route = find(outputs_, handle);
    return route ? route->services->sendLongMessage(route->inner, header) : MidiErrInvalidHandle;
}

MidiResult CombinedServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    Route *route = find(outputs_, handle);
    return route ? route->services->unprepareOutputHeader(route->inner, header)
                 : MidiErrInvalidHandle;
}

// ---- inputs ----

MidiServices *CombinedServices::locateInput(int &deviceId)
{
    const int systemCount = system_ ? static_cast<int>(system_->inputDeviceCount()) : 0;
    if (deviceId < 0)
        return system_.get();
    if (deviceId < systemCount)
        return system_.get();
    deviceId -= systemCount;
    return &simulated_;
}

std::uint32_t CombinedServices::inputDeviceCount()
{
    return (system_ ? system_->inputDeviceCount() : 0) + simulated_.inputDeviceCount();
}

MidiResult CombinedServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    MidiServices *services = locateInput(deviceId);
    return services ? services->inputDeviceCaps(deviceId, caps) : MidiErrBadDeviceId;
}

MidiResult CombinedServices::openInput(MidiHandle &handle, int deviceId,
                                       MidiCallbackFunction callback, std::uintptr_t instance)
{
    MidiServices *services = locateInput(deviceId);
    return open(inputs_, services, handle, callback, instance,
                [&](MidiHandle &inner, std::uintptr_t route) {
                    return services->openInput(inner, deviceId, trampoline, route);
                });
}

MidiResult CombinedServices::closeInput(MidiHandle handle)
{
    Route *route = find(inputs_, handle);
    if (!route)
        return MidiErrInvalidHandle;
    const MidiResult result = route->services->closeInput(route->inner);
    if (result == MidiOk)
        inputs_.erase(handle);
    return result;
}

MidiResult CombinedServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    Route *route = find(inputs_, handle);
    return route ? route->services->prepareInputHeader(route->inner, header) : MidiErrInvalidHandle;
}

MidiResult CombinedServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    Route *route = find(inputs_, handle);
    return route ? route->services->addInputBuffer(route->inner, header) : MidiErrInvalidHandle;
}

MidiResult CombinedServices::startInput(MidiHandle handle)
{
    Route *route = find(inputs_, handle);
    return route ? route->services->startInput(route->inner) : MidiErrInvalidHandle;
}

MidiResult CombinedServices::resetInput(MidiHandle handle)
{
    Route *route = find(inputs_, handle);
    return route ? route->services->resetInput(route->inner) : MidiErrInvalidHandle;
}

MidiResult CombinedServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    Route *route = find(inputs_, handle);
    return route ? route->services->unprepareInputHeader(route->inner, header)
                 : MidiErrInvalidHandle;
}

MidiResult CombinedServices::errorText(std::uint32_t code, std::string &text) const
{
    // The system's services may know codes of their own; the simulated ones know the shared set.
    if (system_ && system_->errorText(code, text) == MidiOk)
        return MidiOk;
    return simulated_.errorText(code, text);
}
