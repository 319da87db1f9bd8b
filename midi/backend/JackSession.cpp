#include "midi/backend/JackSession.h"

#include "midi/backend/ServerWatch.h"
#include "midi/backend/WakeUp.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <optional>
#include <thread>

#include <poll.h>

namespace {

using Clock = std::chrono::steady_clock;

// How long the destructor waits for the request thread to close the client. Closing takes a
// few milliseconds on a live server; a frozen one would keep it for ever.
constexpr std::chrono::milliseconds kCloseLimit{150};
// While ports of ours are open, process cycles that stop for this long mean a frozen server.
constexpr std::chrono::milliseconds kCycleLimit{500};
// After the server's socket appeared: how soon to try, how much longer each next time, and how
// many times, while the server is still starting (a server on real hardware may take seconds).
// Where no socket can be watched, every kLongestRetry for as long as no server answers.
constexpr std::chrono::milliseconds kFirstRetry{50};
constexpr std::chrono::milliseconds kLongestRetry{1600};
constexpr int kTriesAfterAppearing = 12;

} // namespace

struct JackSession::Core final : JackClient::Events, std::enable_shared_from_this<Core>
{
    Core(std::string name, std::function<void()> change)
        : clientName(std::move(name)), onChange(std::move(change))
    {
    }

    // ---- the request thread ----
    void run();
    void connect();
    void serverGoneNow();
    void relist();
    void registerAndConnect(const std::shared_ptr<Port> &port);
    void reconnect(const std::shared_ptr<Port> &port);
    void unregister(const std::shared_ptr<Port> &port);
    void setProcessing(bool on);
    void leave();
    template <typename Call> auto busy(Call &&call);
    std::optional<int> pollTimeout() const;

    // ---- the watchdog thread ----
    void watch();
    void setNotResponding(bool value);

    // ---- any thread ----
    void notify();
    void queue(std::function<void()> request);
    void setState(State value);
    State effectiveState() const;

    // JackClient::Events, on JACK's notification thread: note and wake.
    void graphChanged() noexcept override
    {
        graphDirty = true;
        wake.raise();
    }
    void serverGone() noexcept override
    {
        gone = true;
        wake.raise();
    }

    const std::string clientName;

    mutable std::mutex mutex; // state, lists, requests, ports
    mutable std::condition_variable settled;
    State state = State::Connecting;
    bool notResponding = false;
    std::atomic<bool> stopping{false};
    std::future<void> requestsEnded;
    std::vector<std::string> lists[2];
    std::deque<std::function<void()>> requests;
    std::vector<std::weak_ptr<Port>> ports;

    std::mutex notifyMutex;
    std::function<void()> onChange; // cleared by the destructor

    WakeUp wake;
    std::atomic<bool> graphDirty{false};
    std::atomic<bool> gone{false};

    // Request thread only.
    std::unique_ptr<JackClient> client;
    std::unique_ptr<ServerWatch> serverWatch;
    std::chrono::milliseconds retry{0}; // 0: no retry due
    Clock::time_point retryAt;
    int triesLeft = 0;
    int livePorts = 0; // ports of ours registered on client

    // Watchdog.
    std::mutex watchMutex;
    std::condition_variable watchChanged;
    std::optional<Clock::time_point> busySince;
    std::uint64_t busyCount = 0;
    std::atomic<JackClient *> processingClient{nullptr}; // while ports of ours need cycles
};

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

// ---- the watchdog ----

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
            // Ports of ours are open: their cycles must go on.
            cyclesSeen = cycling->cyclesEnded();
            const bool interrupted = watchChanged.wait_for(lock, kCycleLimit, [&] {
                return stopping || busySince || processingClient.load() != cycling;
            });
            if (!interrupted && cycling->running())
                setNotResponding(cycling->cyclesEnded() == cyclesSeen);
        }
    }
}

template <typename Call> auto JackSession::Core::busy(Call &&call)
{
    {
        const std::lock_guard lock(watchMutex);
        busySince = Clock::now();
        ++busyCount;
    }
    watchChanged.notify_all();
    struct Done
    {
        Core &core;
        ~Done()
        {
            {
                const std::lock_guard lock(core.watchMutex);
                core.busySince.reset();
            }
            core.watchChanged.notify_all();
        }
    } done{*this};
    return call();
}

// ---- the request thread ----

void JackSession::Core::connect()
{
    std::unique_ptr<JackClient> fresh =
        busy([&] { return JackClient::connect(clientName, *this); });
    if (!fresh) {
        if (!serverWatch)
            serverWatch = std::make_unique<ServerWatch>(JackSession::pipeWire());
        if (serverWatch->handle() < 0)
            retry = kLongestRetry;
        else if (triesLeft-- > 0)
            retry = std::min(retry * 2, kLongestRetry);
        else
            retry = std::chrono::milliseconds(0); // until the next socket appears
        retryAt = Clock::now() + retry;
        setState(State::NotRunning);
        return;
    }
    client = std::move(fresh);
    retry = std::chrono::milliseconds(0);
    gone = false;
    graphDirty = false;
    relist();
    setState(State::Running);
}

void JackSession::Core::relist()
{
    std::vector<std::string> sinks = busy([&] { return client->midiPorts(Flow::Sink); });
    std::vector<std::string> sources = busy([&] { return client->midiPorts(Flow::Source); });
    std::vector<std::shared_ptr<Port>> back;
    {
        const std::lock_guard lock(mutex);
        lists[int(Flow::Sink)] = std::move(sinks);
        lists[int(Flow::Source)] = std::move(sources);
        // A connected port whose other end is no longer listed is connected to nothing; one
        // whose other end is listed again (a device plugged back, a client restarted under its
        // name) is connected again.
        for (const std::weak_ptr<Port> &weak : ports)
            if (std::shared_ptr<Port> port = weak.lock()) {
                const auto &list = lists[int(port->isOutput_ ? Flow::Sink : Flow::Source)];
                const bool listed =
                    std::find(list.begin(), list.end(), port->target_) != list.end();
                if (port->connected() && !listed)
                    port->link_ = Port::Link::NotConnected;
                else if (port->link() == Port::Link::NotConnected && listed && port->jackPort())
                    back.push_back(port);
            }
    }
    for (const std::shared_ptr<Port> &port : back)
        reconnect(port);
    notify();
}

void JackSession::Core::reconnect(const std::shared_ptr<Port> &port)
{
    {
        const std::lock_guard lock(port->mutex_);
        if (port->closed_ || port->client() != client.get())
            return;
    }
    const MidiResult result =
        busy([&] { return client->connectPort(port->jackPort(), port->target_, port->isOutput_); });
    if (result == MidiOk)
        port->link_ = Port::Link::Connected;
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
    }
    processingClient = nullptr;
    watchChanged.notify_all();
    Keep(std::move(client), shared_from_this());
    livePorts = 0;
    setNotResponding(false);
    connect();
    notify();
}

void JackSession::Core::setProcessing(bool on)
{
    busy([&] { client->setProcessing(on); });
    processingClient = on ? client.get() : nullptr;
    watchChanged.notify_all();
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
    if (livePorts == 0)
        setProcessing(true);
    MidiResult result = MidiOk;
    jack_port_t *ours = busy([&] { return client->registerPort(port->isOutput_, result); });
    if (!ours) {
        if (livePorts == 0)
            setProcessing(false);
        return settle(client->running() ? Port::Link::NotConnected : Port::Link::Lost);
    }
    ++livePorts;
    {
        const std::lock_guard lock(port->mutex_);
        port->port_ = ours;
        port->client_ = client.get();
        if (!port->closed_)
            port->attached_ = client->attach(&port->user_);
    }
    if (!port->attached_)
        return unregister(port);
    result = busy([&] { return client->connectPort(ours, port->target_, port->isOutput_); });
    if (result == MidiOk)
        settle(Port::Link::Connected);
    else
        settle(client->running() ? Port::Link::NotConnected : Port::Link::Lost);
}

void JackSession::Core::unregister(const std::shared_ptr<Port> &port)
{
    // Once: a port closed while it was being registered comes here twice. A port of a server
    // that has gone went with it.
    jack_port_t *ours = port->port_.exchange(nullptr);
    if (!ours || !client || port->client() != client.get())
        return;
    busy([&] { client->unregisterPort(ours); });
    if (--livePorts == 0)
        setProcessing(false);
}

std::optional<int> JackSession::Core::pollTimeout() const
{
    if (state != State::NotRunning || retry.count() == 0)
        return std::nullopt;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(retryAt - Clock::now()).count();
    return int(std::max<long long>(left, 0));
}

void JackSession::Core::run()
{
    connect();
    for (;;) {
        pollfd fds[2] = {{wake.handle(), POLLIN, 0},
                         {serverWatch && !client ? serverWatch->handle() : -1, POLLIN, 0}};
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
        if (client && gone)
            serverGoneNow();
        const bool appeared = fds[1].fd >= 0 && serverWatch->serverMayHaveAppeared();
        if (!client && appeared) {
            retry = kFirstRetry;
            retryAt = Clock::now() + retry;
            triesLeft = kTriesAfterAppearing;
        }
        if (!client && retry.count() > 0 && Clock::now() >= retryAt)
            connect();
        if (client && graphDirty.exchange(false))
            relist();
        for (const auto &request : work)
            request();
    }
}

void JackSession::Core::leave()
{
    if (!client)
        return;
    // A client of a server that is gone or does not answer stays open (see Keep).
    if (client->running() && !notResponding)
        busy([&] { client.reset(); });
    else
        Keep(std::move(client), shared_from_this());
}

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
    core_->requestsEnded.wait_for(kCloseLimit);
}

JackSession::State JackSession::state() const
{
    const std::lock_guard lock(core_->mutex);
    return core_->effectiveState();
}

bool JackSession::pipeWire()
{
    static const bool isPipeWire =
        std::string(jack_get_version_string()).find("PipeWire") != std::string::npos;
    return isPipeWire;
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
