#include "midi/backend/DeferredServices.h"

#include <chrono>
#include <system_error>

DeferredServices::DeferredServices(Factory factory)
{
    try {
        pending_ = std::async(std::launch::async, factory);
    } catch (const std::system_error &) {
        // No thread to be had: the first call makes the services on its own thread instead.
        pending_ = std::async(std::launch::deferred, std::move(factory));
    }
}

DeferredServices::~DeferredServices()
{
    // A deferred factory that never ran is not run now just to be destroyed.
    if (pending_.valid() &&
        pending_.wait_for(std::chrono::seconds(0)) != std::future_status::deferred)
        pending_.wait();
}

MidiServices &DeferredServices::services() const
{
    // get() orders everything the factory's thread did before what this thread does next.
    if (!services_)
        services_ = pending_.get();
    return *services_;
}

std::uint32_t DeferredServices::outputDeviceCount()
{
    return services().outputDeviceCount();
}

MidiResult DeferredServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
{
    return services().outputDeviceCaps(deviceId, caps);
}

MidiResult DeferredServices::openOutput(MidiHandle &handle, int deviceId,
                                        MidiCallbackFunction callback, std::uintptr_t instance)
{
    return services().openOutput(handle, deviceId, callback, instance);
}

MidiResult DeferredServices::closeOutput(MidiHandle handle)
{
    return services().closeOutput(handle);
}

MidiResult DeferredServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    return services().sendShortMessage(handle, word);
}

MidiResult DeferredServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return services().prepareOutputHeader(handle, header);
}

MidiResult DeferredServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    return services().sendLongMessage(handle, header);
}

MidiResult DeferredServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return services().unprepareOutputHeader(handle, header);
}

std::uint32_t DeferredServices::inputDeviceCount()
{
    return services().inputDeviceCount();
}

MidiResult DeferredServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    return services().inputDeviceCaps(deviceId, caps);
}

MidiResult DeferredServices::openInput(MidiHandle &handle, int deviceId,
                                       MidiCallbackFunction callback, std::uintptr_t instance)
{
    return services().openInput(handle, deviceId, callback, instance);
}

MidiResult DeferredServices::closeInput(MidiHandle handle)
{
    return services().closeInput(handle);
}

MidiResult DeferredServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return services().prepareInputHeader(handle, header);
}

MidiResult DeferredServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    return services().addInputBuffer(handle, header);
}

MidiResult DeferredServices::startInput(MidiHandle handle)
{
    return services().startInput(handle);
}

MidiResult DeferredServices::resetInput(MidiHandle handle)
{
    return services().resetInput(handle);
}

MidiResult DeferredServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return services().unprepareInputHeader(handle, header);
}

MidiResult DeferredServices::errorText(std::uint32_t code, std::string &text) const
{
    return services().errorText(code, text);
}
