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
