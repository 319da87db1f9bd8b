// JackSession's core: the connection to the server as it comes, goes and freezes, the port lists,
// and the request thread that does all of it; our own ports are handled in JackSessionPorts.cpp.
#include "midi/backend/jack/JackSessionCore.h"

#include <algorithm>
#include <thread>

#include <poll.h>

namespace {

// A client of a JACK server that died is never closed: with libjack 1.9, closing it tears down
// the process-wide state that a newer client of the restarted server shares (that client then
// lists no ports), and it has been seen to crash once another client came and went. It is kept
// here, with the events it reports to, for the rest of the run: a few kilobytes per server
// restart. A client of a frozen server is kept the same way: closing it would wait for ever.
void Keep(std::unique_ptr<JackClient> client, std::shared_ptr<JackSession::Core> events)
{
    struct Kept
    {
        std::unique_ptr<JackClient> client;
        std::shared_ptr<JackSession::Core> events;
    };
    static std::mutex mutex;
    static auto *kept = new std::vector<Kept>;
    const std::lock_guard lock(mutex);
    kept->push_back({std::move(client), std::move(events)});
}

} // namespace

// ---- any thread ----

void JackSession::Core::notify()
{
    const std::lock_guard lock(notifyMutex);
    if (onChange)
        onChange();
}

void JackSession::Core::queue(std::function<void()> request)
{
    {
        const std::lock_guard lock(mutex);
        requests.push_back(std::move(request));
    }
    wake.raise();
}

void JackSession::Core::setState(State value)
{
    {
        const std::lock_guard lock(mutex);
        if (state == value)
            return;
        state = value;
    }
    settled.notify_all();
    notify();
}

JackSession::State JackSession::Core::effectiveState() const
{
    return notResponding ? State::NotResponding : state;
}

// ---- the request thread ----

void JackSession::Core::connect()
{
    std::unique_ptr<JackClient> fresh =
        busy([&] { return JackClient::connect(clientName, JackClient::Role::Ports, *this); });
    std::unique_ptr<JackClient> listening;
    if (fresh)
        listening = busy([&] {
            return JackClient::connect(clientName + " listener", JackClient::Role::Listener, *this);
        });
    if (fresh && !listening)
        Keep(std::move(fresh), shared_from_this()); // the server went or froze in between
    if (!fresh) {
        if (!serverWatch)
            serverWatch = std::make_unique<ServerWatch>(JackClient::pipeWire());
        if (serverWatch->handle() < 0)
            retry = kLongestRetry;
        else if (triesLeft-- > 0)
            retry = std::min(retry * 2, kLongestRetry);
        else if (serverWatch->present())
            // There but not answering: frozen (libjack gave up waiting for it, or the server
            // dropped a client that stopped with it), or slow to start; it makes no new socket
            // when it goes on, so keep asking (also, at this cost, while a killed server's
            // socket is left behind).
            retry = kLongestRetry;
        else
            retry = std::chrono::milliseconds(0); // until the next socket appears
        retryAt = Clock::now() + retry;
        setState(State::NotRunning);
        return;
    }
    client = std::move(fresh);
    listener = std::move(listening);
    if (!serverWatch)
        serverWatch = std::make_unique<ServerWatch>(JackClient::pipeWire());
    retry = std::chrono::milliseconds(0);
    gone = false;
    graphDirty = false;
    relist();
    setState(State::Running);
}

void JackSession::Core::relist()
{
    // Through the client that hears of the graph now: the one whose callback asked for this.
    const JackClient &hearing = client->active() ? *client : *listener;
    std::vector<std::string> sinks = busy([&] { return hearing.midiPorts(Flow::Sink, *client); });
    std::vector<std::string> sources =
        busy([&] { return hearing.midiPorts(Flow::Source, *client); });
    std::vector<std::shared_ptr<Port>> back;
    {
        const std::lock_guard lock(mutex);
        // Ports that went, so that a link to one that comes back under its name is made with
        // care (see link()).
        for (const Flow flow : {Flow::Sink, Flow::Source})
            for (const std::string &name : lists[int(flow)])
                if (std::find(sinks.begin(), sinks.end(), name) == sinks.end() &&
                    std::find(sources.begin(), sources.end(), name) == sources.end())
                    departed.insert(name);
        lists[int(Flow::Sink)] = std::move(sinks);
        lists[int(Flow::Source)] = std::move(sources);
        // A port connected, or still to be connected, whose other end is no longer listed is
        // connected to nothing (the connection waiting in the requests finds that out too, but
        // maybe only after sends that meanwhile would seem to succeed); one whose other end is
        // listed again (a device plugged back, a client restarted under its name) is connected
        // again, and so is one whose connection another program (a patchbay) undid: the device
        // chosen in the editor is the one its messages go to.
        for (const std::weak_ptr<Port> &weak : ports)
            if (std::shared_ptr<Port> port = weak.lock()) {
                const auto &list = lists[int(port->isOutput_ ? Flow::Sink : Flow::Source)];
                const bool listed =
                    std::find(list.begin(), list.end(), port->target_) != list.end();
                const Port::Link link = port->link();
                if ((link == Port::Link::Connected || link == Port::Link::Pending) && !listed)
                    port->link_ = Port::Link::NotConnected;
                else if (link == Port::Link::Connected &&
                         !client->connectionShown(port->jackPort(), port->target_))
                    port->link_ = Port::Link::NotConnected;
                if (port->link() == Port::Link::NotConnected && listed && port->jackPort())
                    back.push_back(port);
            }
    }
    for (const std::shared_ptr<Port> &port : back)
        reconnect(port);
    deactivatePortsIfIdle();
    notify();
}

void JackSession::Core::serverGoneNow()
{
    {
        const std::lock_guard lock(mutex);
        for (const std::weak_ptr<Port> &weak : ports)
            if (std::shared_ptr<Port> port = weak.lock())
                port->link_ = Port::Link::Lost;
        lists[0].clear();
        lists[1].clear();
        departed.clear(); // the next server knows nothing of this one's clients
    }
    processingClient = nullptr;
    deactivateAt.reset();
    replaceAt.reset();
    watchChanged.notify_all();
    Keep(std::move(client), shared_from_this());
    Keep(std::move(listener), shared_from_this());
    setNotResponding(false);
    setState(State::NotRunning);
    notify();
    // Not at once: the server may still be on its way out. Its successor makes its socket anew,
    // which the watch reports; a few tries cover one that made it before the watch was there.
    if (!serverWatch)
        serverWatch = std::make_unique<ServerWatch>(JackClient::pipeWire());
    retry = kGoneRetry;
    retryAt = Clock::now() + retry;
    triesLeft = 2;
}

bool JackSession::Core::droppedByLibjack(bool socketGone) const
{
    return JackClient::pipeWire() && !socketGone && serverWatch && serverWatch->present() &&
           !client->running() && listener && listener->running();
}

void JackSession::Core::replaceDroppedClient()
{
    replaceAt.reset();
    std::vector<std::shared_ptr<Port>> moving;
    {
        const std::lock_guard lock(mutex);
        for (const std::weak_ptr<Port> &weak : ports)
            if (std::shared_ptr<Port> port = weak.lock(); port && port->client() == client.get())
                moving.push_back(port);
    }
    // Off the dropped client first: a message sent meanwhile waits for the port's connection.
    for (const std::shared_ptr<Port> &port : moving) {
        const std::lock_guard lock(port->mutex_);
        if (port->attached_)
            client->detach(&port->user_);
        port->attached_ = false;
        port->link_ = Port::Link::Pending;
        port->port_ = nullptr;
        port->client_ = nullptr;
    }
    processingClient = nullptr;
    deactivateAt.reset();
    watchChanged.notify_all();
    // Its name is free again once it is closed. The object is kept: the watchdog may hold it.
    busy([&] { client->closeDropped(); });
    Keep(std::move(client), shared_from_this());
    // Only an active client hears of the graph; the ports' client is active again as soon as
    // a port of it is linked.
    busy([&] { listener->setActive(true); });
    client = busy([&] { return JackClient::connect(clientName, JackClient::Role::Ports, *this); });
    if (!client || !listener->running())
        return serverGoneNow(); // it was going after all
    gone = false;
    graphDirty = true;
    for (const std::shared_ptr<Port> &port : moving)
        registerAndConnect(port);
    notify();
}

std::optional<int> JackSession::Core::pollTimeout() const
{
    std::optional<Clock::time_point> due;
    if (state == State::NotRunning && retry.count() > 0)
        due = retryAt;
    for (const std::optional<Clock::time_point> &at : {deactivateAt, replaceAt})
        if (at && (!due || *at < *due))
            due = at;
    if (!due)
        return std::nullopt;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*due - Clock::now()).count();
    return int(std::max<long long>(left, 0));
}

void JackSession::Core::run()
{
    connect();
    for (;;) {
        pollfd fds[2] = {{wake.handle(), POLLIN, 0},
                         {serverWatch ? serverWatch->handle() : -1, POLLIN, 0}};
        const std::optional<int> timeout = pollTimeout();
        ::poll(fds, 2, timeout ? *timeout : -1);
        wake.acknowledge();
        std::deque<std::function<void()>> work;
        if (stopping)
            return leave();
        {
            const std::lock_guard lock(mutex);
            work.swap(requests);
        }
        const ServerWatch::Seen seen =
            fds[1].fd >= 0 ? serverWatch->changes() : ServerWatch::Seen{};
        // A server that stops removes its socket: that it has gone is known then, also when
        // libjack's shutdown callback is late or never comes (seen with PipeWire's on a busy
        // machine). One started again at once makes its socket anew, after the removal.
        const bool socketGone = seen.removed && !seen.appeared;
        if (client && socketGone)
            gone = true;
        if (client && gone && droppedByLibjack(socketGone)) {
            if (!replaceAt)
                replaceAt = Clock::now() + kDropPause;
            else if (Clock::now() >= *replaceAt)
                replaceDroppedClient();
        } else if (client && gone) {
            serverGoneNow();
        }
        if (!client && seen.appeared) {
            retry = kFirstRetry;
            retryAt = Clock::now() + retry;
            triesLeft = kTriesAfterAppearing;
        }
        if (!client && retry.count() > 0 && Clock::now() >= retryAt)
            connect();
        // A dropped client lists nothing: the lists wait for its successor.
        if (client && !replaceAt && graphDirty.exchange(false))
            relist();
        for (const auto &request : work)
            request();
        if (client && !replaceAt && deactivateAt && Clock::now() >= *deactivateAt)
            deactivatePortsIfIdle();
    }
}

void JackSession::Core::leave()
{
    // Requests still queued hold their ports, and the ports hold this core: dropped, or the
    // two would keep each other for ever. Closing the client below takes the ports with it.
    std::deque<std::function<void()>> dropped;
    {
        const std::lock_guard lock(mutex);
        dropped.swap(requests);
    }
    dropped.clear();
    if (!client)
        return;
    // A client of a server that is gone or does not answer stays open (see Keep).
    if (client->running() && !notResponding) {
        busy([&] { client.reset(); });
        busy([&] { listener.reset(); });
    } else {
        Keep(std::move(client), shared_from_this());
        Keep(std::move(listener), shared_from_this());
    }
}
