#include "midi/backend/jack/JackSessionCore.h"

#include <algorithm>

// The watchdog thread: not responding is a call to the server that takes longer than
// kResponseLimit, or process cycles that stop while ports of ours need them.

void JackSession::Core::setNotResponding(bool value)
{
    {
        const std::lock_guard lock(mutex);
        if (notResponding == value)
            return;
        notResponding = value;
    }
    notify();
}

bool JackSession::Core::anyPortConnected() const
{
    const std::lock_guard lock(mutex);
    return std::any_of(ports.begin(), ports.end(), [](const std::weak_ptr<Port> &weak) {
        const std::shared_ptr<Port> port = weak.lock();
        return port && port->connected();
    });
}

void JackSession::Core::watch()
{
    std::unique_lock lock(watchMutex);
    std::uint64_t cyclesSeen = 0;
    while (!stopping) {
        JackClient *cycling = processingClient.load();
        const bool timed = busySince || cycling;
        if (!timed) {
            watchChanged.wait(lock);
        } else if (busySince) {
            // One call to the server: not responding once it takes longer than the limit, and
            // until it has ended.
            const std::uint64_t call = busyCount;
            const auto ended = [&] { return stopping || busyCount != call || !busySince; };
            if (!watchChanged.wait_until(lock, *busySince + kResponseLimit, ended)) {
                setNotResponding(true);
                watchChanged.wait(lock, ended);
                setNotResponding(false);
            }
        } else {
            // Ports of ours are open: their cycles must go on, at least while one is connected
            // (PipeWire runs a client only while it is connected to something).
            cyclesSeen = cycling->cyclesEnded();
            const bool interrupted = watchChanged.wait_for(lock, kCycleLimit, [&] {
                return stopping || busySince || processingClient.load() != cycling;
            });
            if (!interrupted && cycling->running())
                setNotResponding(cycling->cyclesEnded() == cyclesSeen && anyPortConnected());
        }
    }
}
