#if defined(__linux__)
#include "midi/backend/alsa/AlsaSeqPorts.h"

#include "midi/backend/MonotonicClock.h"
#include "midi/backend/ShortMessage.h"

#include <cerrno>
#include <new>
#include <thread>

namespace {

using Role = AlsaSeqClient::Role;

// Subscribes our port to the port listed as fullName now, remembered in device.
MidiResult connectNamed(AlsaSeqClient &client, int port, Role role, const std::string &fullName,
                        AlsaEvent::Address &device)
{
    const std::optional<AlsaEvent::Address> found = client.find(role, fullName);
    if (!found)
        return MidiErrDeviceRemoved;
    if (!client.connect(port, role, *found))
        return MidiErrNotEnabled;
    device = *found;
    return MidiOk;
}

// make(port) wraps a new port of ours, which the object then owns, and connect(object) connects
// it; the allocator's exceptions become result codes, and an object not connected is dropped.
template <class Port, class Make, class Connect>
std::unique_ptr<Port> openPort(AlsaSeqClient &client, const std::string &ourName, Role role,
                               MidiResult &result, Make make, Connect connect)
{
    const int port = client.createPort(ourName, role);
    if (port < 0) {
        result = MidiErrNotEnabled;
        return nullptr;
    }
    std::unique_ptr<Port> object;
    try {
        object = make(port);
    } catch (const std::bad_alloc &) {
        client.deletePort(port);
        result = MidiErrNoMemory;
        return nullptr;
    }
    try {
        result = connect(*object);
    } catch (const std::bad_alloc &) {
        result = MidiErrNoMemory;
    }
    return result == MidiOk ? std::move(object) : nullptr;
}

} // namespace

std::unique_ptr<AlsaOutWire> AlsaOutWire::open(const std::shared_ptr<AlsaSeqClient> &client,
                                               const std::string &ourName,
                                               const std::string &fullName, MidiResult &result)
{
    return openPort<AlsaOutWire>(
        *client, ourName, Role::Sending, result,
        [&](int port) { return std::unique_ptr<AlsaOutWire>(new AlsaOutWire(client, port)); },
        [&](AlsaOutWire &wire) { return wire.reconnect(fullName); });
}

AlsaOutWire::~AlsaOutWire()
{
    client_->deletePort(port_);
}

MidiResult AlsaOutWire::write(const std::uint8_t *bytes, std::size_t size,
                              std::chrono::steady_clock::time_point,
                              const std::atomic<bool> &abandon)
{
    return writeMessageByMessage(bytes, size, abandon,
                                 [&](const std::uint8_t *message, std::size_t length) {
                                     return sendOne(message, length, abandon);
                                 });
}

MidiResult AlsaOutWire::sendOne(const std::uint8_t *message, std::size_t length,
                                const std::atomic<bool> &abandon)
{
    const auto deadline = std::chrono::steady_clock::now() + kRoomWaitLimit;
    for (;;) {
        if (!client_->connected(port_, device()))
            return MidiErrNotConnected;
        const int result = client_->send(port_, message, length);
        if (result == 0)
            return MidiOk;
        // A full input queue of the receiver (or pool of ours) empties as the receiver reads;
        // a receiver stopped for good is given up on, for this message only.
        const bool noRoom = result == -EAGAIN || result == -ENOMEM || result == -ENOSPC;
        if (!noRoom || abandon.load() || std::chrono::steady_clock::now() >= deadline)
            return MidiErrNotReady;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

MidiResult AlsaOutWire::drain(std::chrono::steady_clock::time_point, const std::atomic<bool> &)
{
    // Each write went to the device's side before it returned: nothing of ours waits.
    return health();
}

MidiResult AlsaOutWire::health() const
{
    return client_->connected(port_, device()) ? MidiOk : MidiErrNotConnected;
}

AlsaEvent::Address AlsaOutWire::device() const
{
    const std::lock_guard lock(deviceMutex_);
    return device_;
}

MidiResult AlsaOutWire::reconnect(const std::string &fullName)
{
    // Gone with the old port as a rule; not when only the announcements of its going were lost.
    AlsaEvent::Address device = this->device();
    if (device.client >= 0)
        client_->disconnect(port_, Role::Sending, device);
    const MidiResult result = connectNamed(*client_, port_, Role::Sending, fullName, device);
    const std::lock_guard lock(deviceMutex_);
    device_ = device;
    return result;
}

std::unique_ptr<AlsaInSource> AlsaInSource::open(const std::shared_ptr<AlsaSeqClient> &client,
                                                 const std::string &ourName,
                                                 const std::string &fullName,
                                                 MidiInputDelivery &delivery, MidiResult &result)
{
    return openPort<AlsaInSource>(
        *client, ourName, Role::Receiving, result,
        [&](int port) {
            return std::unique_ptr<AlsaInSource>(new AlsaInSource(client, port, delivery));
        },
        [&](AlsaInSource &source) {
            client->listen(source.port_, &source);
            return connectNamed(*client, source.port_, Role::Receiving, fullName, source.device_);
        });
}

AlsaInSource::~AlsaInSource()
{
    client_->listen(port_, nullptr);
    client_->deletePort(port_);
}

MidiResult AlsaInSource::reconnect(const std::string &fullName)
{
    client_->disconnect(port_, Role::Receiving, device_);
    return connectNamed(*client_, port_, Role::Receiving, fullName, device_);
}

void AlsaInSource::received(const std::uint8_t *bytes, std::size_t size) noexcept
{
    delivery_.receive(bytes, size, monotonicMicroseconds());
}

#endif
