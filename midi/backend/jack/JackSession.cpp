#include "midi/backend/jack/JackSession.h"

#include "midi/backend/jack/JackSessionCore.h"

#include <thread>

// ---- the ports ----

JackSession::Port::Port(std::shared_ptr<Core> core, JackPortUser &user, bool isOutput,
                        std::string target)
    : core_(std::move(core)), user_(user), isOutput_(isOutput), target_(std::move(target))
{
}

MidiResult JackSession::Port::health() const
{
    State state;
    {
        const std::lock_guard lock(core_->mutex);
        state = core_->effectiveState();
    }
    if (state == State::NotResponding)
        return MidiErrSystemNotResponding;
    // libjack tells of the server's end on its own thread; the session takes the news a moment
    // later. A port of a client that has heard it is already gone with the server; not so under
    // PipeWire, which also drops a client of a server that runs on: while the session tells the
    // one from the other (it says running meanwhile) and replaces the client, a message waits
    // in the port's ring for the new one, as it waits while a port connects.
    if (const JackClient *c = client();
        c && !c->running() && !(JackClient::pipeWire() && state == State::Running))
        return MidiErrSystemNotRunning;
    switch (link()) {
    case Link::Pending:
        return state == State::NotRunning ? MidiErrSystemNotRunning : MidiOk;
    case Link::Connected:
        return MidiOk;
    case Link::NotConnected:
        return MidiErrNotConnected;
    case Link::Lost:
        break;
    }
    return MidiErrSystemNotRunning;
}

// ---- the session ----

JackSession::JackSession(std::string clientName, std::function<void()> onChange)
    : core_(std::make_shared<Core>(std::move(clientName), std::move(onChange)))
{
    // The threads own the core with the session: a request stuck on a frozen server may outlive
    // the session (see the destructor).
    std::promise<void> requestsEnded;
    core_->requestsEnded = requestsEnded.get_future();
    std::thread([core = core_, done = std::move(requestsEnded)]() mutable {
        core->run();
        done.set_value();
    }).detach();
    std::thread([core = core_] { core->watch(); }).detach();
}

JackSession::~JackSession()
{
    {
        const std::lock_guard lock(core_->notifyMutex);
        core_->onChange = nullptr;
    }
    {
        const std::lock_guard lock(core_->watchMutex);
        core_->stopping = true;
    }
    core_->watchChanged.notify_all();
    core_->wake.raise();
    // The request thread closes the client on its way out: a moment on a server that answers.
    // On one that does not, the thread stays behind, blocked in libjack, until the process ends.
    core_->requestsEnded.wait_for(Core::kCloseLimit);
}

JackSession::State JackSession::state() const
{
    const std::lock_guard lock(core_->mutex);
    return core_->effectiveState();
}

bool JackSession::pipeWire()
{
    return JackClient::pipeWire();
}

std::vector<std::string> JackSession::ports(Flow flow) const
{
    const std::lock_guard lock(core_->mutex);
    return core_->lists[int(flow)];
}

bool JackSession::waitUntilSettled(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(core_->mutex);
    return core_->settled.wait_for(lock, limit, [&] { return core_->state != State::Connecting; });
}

MidiResult JackSession::open(JackPortUser &user, bool isOutput, const std::string &target,
                             std::shared_ptr<Port> &port)
{
    switch (state()) {
    case State::NotRunning:
        return MidiErrSystemNotRunning;
    case State::NotResponding:
        return MidiErrSystemNotResponding;
    default:
        break;
    }
    port.reset(new Port(core_, user, isOutput, target));
    {
        const std::lock_guard lock(core_->mutex);
        std::erase_if(core_->ports, [](const std::weak_ptr<Port> &p) { return p.expired(); });
        core_->ports.push_back(port);
    }
    core_->queue([core = core_.get(), port] { core->registerAndConnect(port); });
    return MidiOk;
}

void JackSession::close(const std::shared_ptr<Port> &port)
{
    {
        const std::lock_guard lock(port->mutex_);
        port->closed_ = true;
        if (port->attached_)
            port->client()->detach(&port->user_);
        port->attached_ = false;
    }
    core_->queue([core = core_.get(), port] { core->unregister(port); });
}
