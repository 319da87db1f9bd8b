#pragma once
// The editor's connection to a JACK server (jackd, or PipeWire's JACK), kept up as the server
// comes, goes, freezes and comes back, without the caller ever waiting on the server.
//
// - The lists of the other clients' MIDI ports follow the server live: the client hears of every
//   port that comes or goes, and the request thread lists them again.
// - A server that dies is noticed at once (JACK's shutdown callback); the lists empty, every port
//   of ours is lost, and the session waits for a server to appear (ServerWatch: no polling) and
//   connects to it. Ports are never carried over: the owner opens them again on the new server.
//   A client that PipeWire drops while it runs on is replaced, and our ports move to the new
//   one without a report (Core::replaceDroppedClient).
// - A request the server does not answer within kResponseLimit, or process cycles that stop
//   while ports of ours need them, mark the server not responding until it answers again.
// - Two clients (JackClient::Role): the one that owns our ports is active only while one of them
//   is connected, being connected or has its device there, and a second after; a portless
//   listener while it is not. Idle with no port open or with the chosen devices unplugged, no
//   server wakes the editor at all.
//
// Threads
// - The request thread makes every libjack call that talks to the server, one at a time: opening
//   and closing the clients, (de)activating them, listing, registering, connecting and
//   unregistering ports.
// - The watchdog thread times those calls (and the process cycles while ports are open); it
//   sleeps without a timeout while neither needs timing.
// - The caller (the GUI thread) never waits on the server: state, ports, open and close read
//   snapshots and queue requests; close also takes the port off the process thread at once.
// - onChange is called on the session's threads, whenever the state, the lists or a port's
//   connection changed; never after the destructor has returned.
#include "midi/backend/MidiServices.h"
#include "midi/backend/jack/JackClient.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class JackSession
{
public:
    using Flow = JackClient::PortFlow;
    enum class State { Connecting, Running, NotRunning, NotResponding };
    // Long enough for a server on a busy machine (jackd without real-time scheduling, sharing
    // two cores with builds, answered in up to half a second): a server called not responding
    // has the user's sends refused.
    static constexpr std::chrono::milliseconds kResponseLimit{1000};

    struct Core;

    // A port of ours that stands for one port of another client, named target. The request
    // thread registers and connects it; until then, and after, health says what a message sent
    // now meets.
    class Port
    {
    public:
        enum class Link { Pending, Connected, NotConnected, Lost };

        // MidiOk while connected, or while being connected (a message waits for it, a few
        // seconds at most: JackMidiOutPort); connected means the server's graph shows it;
        // MidiErrNotConnected when the other port is not there; MidiErrSystemNotRunning or
        // MidiErrSystemNotResponding after the server.
        MidiResult health() const;
        Link link() const { return link_.load(std::memory_order_acquire); }
        // For the process thread and the port's writers: data flows only while connected.
        bool connected() const noexcept { return link() == Link::Connected; }
        jack_port_t *jackPort() const noexcept { return port_.load(std::memory_order_acquire); }
        // The client the port was registered on; null before.
        JackClient *client() const noexcept { return client_.load(std::memory_order_acquire); }

    private:
        friend struct Core;
        friend class JackSession;
        Port(std::shared_ptr<Core> core, JackPortUser &user, bool isOutput, std::string target);

        const std::shared_ptr<Core> core_;
        JackPortUser &user_; // only while not closed (under mutex_)
        const bool isOutput_;
        const std::string target_;
        std::mutex mutex_;
        bool closed_ = false;
        bool attached_ = false;
        std::atomic<Link> link_{Link::Pending};
        std::atomic<jack_port_t *> port_{nullptr};
        std::atomic<JackClient *> client_{nullptr};
    };

    // Starts connecting at once, on the request thread.
    JackSession(std::string clientName, std::function<void()> onChange);
    // Closes the client when the server answers, leaves it when it does not; waits for that at
    // most a moment, so that closing the editor never hangs on a frozen server.
    ~JackSession();
    JackSession(const JackSession &) = delete;
    JackSession &operator=(const JackSession &) = delete;

    State state() const;
    // Whether libjack is PipeWire's.
    static bool pipeWire();
    // The other clients' ports as last listed; empty while no server runs.
    std::vector<std::string> ports(Flow flow) const;
    // Waits until the first connection attempt has ended (a command line needs the lists before
    // it goes on; the editor's window does not wait). False when the limit passed first.
    bool waitUntilSettled(std::chrono::milliseconds limit) const;

    // Sets port to a new port for user standing for target (outputs with isOutput), then has
    // the request thread register and connect it: so the port is in place before the process
    // thread may see user. Leaves port null and says why when no server runs or it does not
    // respond.
    MidiResult open(JackPortUser &user, bool isOutput, const std::string &target,
                    std::shared_ptr<Port> &port);
    // Takes the port off the process thread before it returns (user may go then) and has the
    // request thread remove it from the server.
    void close(const std::shared_ptr<Port> &port);

private:
    std::shared_ptr<Core> core_;
};
