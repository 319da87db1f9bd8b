// JackSession's core: our ports on the request thread: registered, connected to the port they
// stand for, connected anew when that port comes back, and active only while they are needed.
#include "midi/backend/jack/JackSessionCore.h"

#include <algorithm>

void JackSession::Core::reconnect(const std::shared_ptr<Port> &port)
{
    {
        const std::lock_guard lock(port->mutex_);
        if (port->closed_ || port->client() != client.get())
            return;
    }
    // Messages sent meanwhile wait for the connection, as at the port's opening.
    port->link_ = Port::Link::Pending;
    // Its link went, maybe with a client that is back under its name by now.
    const MidiResult result = link(*port, true);
    port->link_ = result == MidiOk    ? Port::Link::Connected
                  : client->running() ? Port::Link::NotConnected
                                      : Port::Link::Lost;
    notify();
}

MidiResult JackSession::Core::link(const Port &port, bool mayHaveComeBack)
{
    setPortsActive(true);
    const MidiResult result = connectPort(port);
    if (result != MidiOk || !JackClient::pipeWire())
        return result;
    bool cameBack = mayHaveComeBack;
    if (!cameBack) {
        const std::lock_guard lock(mutex);
        cameBack = departed.count(port.target_) > 0;
    }
    return cameBack ? relink(port) : result;
}

MidiResult JackSession::Core::relink(const Port &port)
{
    jack_port_t *ours = port.jackPort();
    busy([&] { client->disconnectPort(ours, port.target_, port.isOutput_); });
    const auto deadline = Clock::now() + kConnectionShownLimit;
    while (client->connectionShown(ours, port.target_)) {
        if (!client->running() || stopping || Clock::now() >= deadline)
            return client->running() ? MidiErrNotConnected : MidiErrSystemNotRunning;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::this_thread::sleep_for(kRelinkPause);
    return connectPort(port);
}

MidiResult JackSession::Core::connectPort(const Port &port)
{
    jack_port_t *ours = port.jackPort();
    const MidiResult accepted =
        busy([&] { return client->connectPort(ours, port.target_, port.isOutput_); });
    if (accepted != MidiOk)
        return accepted;
    // A server may take the request and not make the connection (jackd -a e ignores requests
    // to connect to other clients' ports, and says 0): the port is connected once the server's
    // graph shows the connection, not when the request returns.
    const auto deadline = Clock::now() + kConnectionShownLimit;
    while (!client->connectionShown(ours, port.target_)) {
        if (!client->running())
            return MidiErrSystemNotRunning;
        if (stopping || Clock::now() >= deadline)
            return MidiErrNotConnected;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return MidiOk;
}

void JackSession::Core::setPortsActive(bool on)
{
    if (client->active() == on)
        return;
    // The one going on first: while both are, no change of the graph goes unheard.
    JackClient &first = on ? *client : *listener;
    JackClient &second = on ? *listener : *client;
    busy([&] { first.setActive(true); });
    if (first.active())
        busy([&] { second.setActive(false); });
    processingClient = client->active() ? client.get() : nullptr;
    watchChanged.notify_all();
}

bool JackSession::Core::portsNeeded() const
{
    // A port whose device is listed but refused it stays ready to be connected again at the
    // graph's next change (switching the clients would make one, and so on).
    const std::lock_guard lock(mutex);
    for (const std::weak_ptr<Port> &weak : ports)
        if (const std::shared_ptr<Port> port = weak.lock(); port && port->jackPort()) {
            const Port::Link link = port->link();
            const auto &list = lists[int(port->isOutput_ ? Flow::Sink : Flow::Source)];
            if (link == Port::Link::Connected || link == Port::Link::Pending ||
                std::find(list.begin(), list.end(), port->target_) != list.end())
                return true;
        }
    return false;
}

void JackSession::Core::deactivatePortsIfIdle()
{
    if (!client || !client->active() || portsNeeded()) {
        deactivateAt.reset();
        return;
    }
    if (!deactivateAt)
        deactivateAt = Clock::now() + kIdleBeforeDeactivating;
    else if (Clock::now() >= *deactivateAt) {
        deactivateAt.reset();
        setPortsActive(false);
    }
}

void JackSession::Core::registerAndConnect(const std::shared_ptr<Port> &port)
{
    const auto settle = [&](Port::Link link) {
        port->link_ = link;
        notify();
    };
    {
        const std::lock_guard lock(port->mutex_);
        if (port->closed_)
            return;
    }
    if (!client || !client->running())
        return settle(Port::Link::Lost);
    MidiResult result = MidiOk;
    jack_port_t *ours = busy([&] { return client->registerPort(port->isOutput_, result); });
    if (!ours)
        return settle(client->running() ? Port::Link::NotConnected : Port::Link::Lost);
    {
        const std::lock_guard lock(port->mutex_);
        port->port_ = ours;
        port->client_ = client.get();
        if (!port->closed_)
            port->attached_ = client->attach(&port->user_);
    }
    if (!port->attached_)
        return unregister(port);
    result = link(*port, false);
    if (result == MidiOk)
        settle(Port::Link::Connected);
    else
        settle(client->running() ? Port::Link::NotConnected : Port::Link::Lost);
    deactivatePortsIfIdle();
}

void JackSession::Core::unregister(const std::shared_ptr<Port> &port)
{
    // Once: a port closed while it was being registered comes here twice. A port of a server
    // that has gone went with it.
    jack_port_t *ours = port->port_.exchange(nullptr);
    if (!ours || !client || port->client() != client.get())
        return;
    busy([&] { client->unregisterPort(ours); });
    deactivatePortsIfIdle();
}
