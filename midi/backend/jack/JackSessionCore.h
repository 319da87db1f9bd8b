#pragma once
// The inside of a JackSession (JackSession.h): what its request thread, its watchdog thread and
// its callers share. The request thread's work is in JackSessionCore.cpp, the watchdog's in
// JackSessionWatchdog.cpp.
#include "midi/backend/WakeUp.h"
#include "midi/backend/jack/JackSession.h"
#include "midi/backend/jack/ServerWatch.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <optional>
#include <set>

struct JackSession::Core final : JackClient::Events, std::enable_shared_from_this<Core>
{
    using Clock = std::chrono::steady_clock;
    // How long the destructor waits for the request thread to close the client. Closing takes a
    // few milliseconds on a live server; a frozen one would keep it for ever.
    static constexpr std::chrono::milliseconds kCloseLimit{150};
    // While ports of ours are open, process cycles that stop for this long mean a frozen server
    // (a busy machine delays them by a few hundred milliseconds now and then).
    static constexpr std::chrono::milliseconds kCycleLimit{1500};
    // After the server's socket appeared: how soon to try, how much longer each next time, and how
    // many times, while the server is still starting (a server on real hardware may take seconds).
    // Where no socket can be watched, every kLongestRetry for as long as no server answers.
    static constexpr std::chrono::milliseconds kFirstRetry{50};
    static constexpr std::chrono::milliseconds kLongestRetry{1600};
    static constexpr int kTriesAfterAppearing = 12;
    // After the server went: the first try.
    static constexpr std::chrono::milliseconds kGoneRetry{250};
    // How long the graph may take to show a connection the server has taken (seconds, on a busy
    // machine); within the time a message waits for the port (JackMidiOutPort::kWaitLimit).
    static constexpr std::chrono::seconds kConnectionShownLimit{4};
    // PipeWire before 0.3.72 keeps a stale record of a link to a client that died (the link's
    // mix ids are reused): a link made to a client restarted under the same name, by a port of
    // ours that was linked to it before or by a new one, is shown on both ends and carries
    // nothing. Undone, and made again once PipeWire has let go of the undone one (this long
    // after the graph stops showing it), it carries.
    static constexpr std::chrono::milliseconds kRelinkPause{100};
    // How long the ports' client stays active once no port of ours needs it. PipeWire (0.3.65)
    // tears a link down in steps after its other end went; a client deactivated meanwhile was
    // now and then dropped by its libjack (about one unplug in 40 under load, against one in
    // 300 with this pause).
    static constexpr std::chrono::milliseconds kIdleBeforeDeactivating{1000};

    Core(std::string name, std::function<void()> change)
        : clientName(std::move(name)), onChange(std::move(change))
    {
    }

    // ---- the request thread ----
    void run();
    void connect();
    void serverGoneNow();
    // PipeWire's libjack (0.3.65, Debian 12) takes any error the server answers a request of
    // the client with for the server's end, and the client is dead from then on while the
    // server runs on: seen as "unknown resource" for a link of ours that a patchbay undid, or
    // whose other end left, a moment before the client let go of it (about once in 100 such
    // events under load). The listener, on a connection of its own, and a new client tell that
    // the server still runs: the dropped client is closed and our ports move to a new one under
    // its name, connected again, while their messages wait as at opening. A server that stops
    // ends its clients one after the other, then removes its socket: the session tells the two
    // apart only kDropPause after the client's end.
    static constexpr std::chrono::milliseconds kDropPause{2000};
    bool droppedByLibjack(bool socketGone) const;
    void replaceDroppedClient();
    void relist();
    void registerAndConnect(const std::shared_ptr<Port> &port);
    void reconnect(const std::shared_ptr<Port> &port);
    MidiResult connectPort(const Port &port);
    // Connects the port; on PipeWire, one whose other end may have come back is linked anew
    // (kRelinkPause).
    MidiResult link(const Port &port, bool mayHaveComeBack);
    MidiResult relink(const Port &port);
    void unregister(const std::shared_ptr<Port> &port);
    // The ports' client is active while a port of ours is connected, being connected, or has
    // its device listed, and kIdleBeforeDeactivating after; the listener while it is not (see
    // JackClient::Role).
    void setPortsActive(bool on);
    void deactivatePortsIfIdle();
    bool portsNeeded() const;
    void leave();
    template <typename Call> auto busy(Call &&call);
    std::optional<int> pollTimeout() const;

    // ---- the watchdog thread ----
    void watch();
    void setNotResponding(bool value);
    bool anyPortConnected() const;

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
    std::set<std::string> departed; // ports once listed that went (PipeWire only matters)
    std::deque<std::function<void()>> requests;
    std::vector<std::weak_ptr<Port>> ports;

    std::mutex notifyMutex;
    std::function<void()> onChange; // cleared by the destructor

    WakeUp wake;
    std::atomic<bool> graphDirty{false};
    std::atomic<bool> gone{false};

    // Request thread only.
    std::unique_ptr<JackClient> client;   // owns our ports (JackClient::Role::Ports)
    std::unique_ptr<JackClient> listener; // JackClient::Role::Listener
    std::unique_ptr<ServerWatch> serverWatch;
    std::chrono::milliseconds retry{0}; // 0: no retry due
    Clock::time_point retryAt;
    int triesLeft = 0;
    std::optional<Clock::time_point> deactivateAt; // the ports' client, once no port needs it
    std::optional<Clock::time_point> replaceAt;    // a client dropped by its libjack

    // Watchdog.
    std::mutex watchMutex;
    std::condition_variable watchChanged;
    std::optional<Clock::time_point> busySince;
    std::uint64_t busyCount = 0;
    std::atomic<JackClient *> processingClient{nullptr}; // while ports of ours need cycles
};

// Tells the watchdog how long the request thread has been inside libjack.
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
