#pragma once
// One client of a JACK server (jackd, or PipeWire's JACK), in one of two roles (Role): the one
// that owns the MIDI ports the editor opens and runs their work in the JACK process callback, or
// a portless listener. Either lists the MIDI ports of the other clients, hears of the graph
// changing (while active) and of the server going away.
//
// Threads
// - The calls that talk to the server (connect, the destructor, midiPorts, registerPort,
//   unregisterPort, connectPort, setActive) may block for as long as the server is frozen:
//   only the JACK session's request thread makes them (JackSession).
// - The JACK process thread runs process(): it visits the attached port users through a fixed
//   table of atomic pointers, allocating nothing and taking no lock.
// - JACK's notification thread calls the Events, which must only note and wake.
// - attach, detach, waitForCycles, running and the clock reads are for any thread.
#include "midi/backend/MidiServices.h"

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

// Something that has work to do in every JACK cycle: a MIDI port of ours.
class JackPortUser
{
public:
    virtual ~JackPortUser() = default;
    // Runs on the JACK process thread: must not allocate, lock or wait.
    virtual void process(jack_nframes_t frames) noexcept = 0;
};

class JackClient
{
public:
    // Direction of the ports of other clients, seen from the editor: a Sink accepts MIDI (we
    // send to it), a Source produces MIDI (we receive from it).
    enum class PortFlow { Sink, Source };

    // What the server tells the client, on JACK's notification thread.
    class Events
    {
    public:
        // A port or client came, went or was renamed.
        virtual void graphChanged() noexcept = 0;
        // The server has gone (stopped, killed, crashed); nothing of this client works any more.
        virtual void serverGone() noexcept = 0;

    protected:
        ~Events() = default;
    };

    // A server wakes an active client with a process callback every cycle (PipeWire's wakes
    // every active client), so the session keeps two:
    // - Ports owns the editor's ports and has the process callback; it starts inactive and is
    //   active only while a port of it is connected, being connected, or has its device there
    //   (under PipeWire: while a port of it is open).
    // - Listener has no port ever; it is active from the start, so that the server tells it of
    //   every port that comes or goes while the other is not. Under PipeWire it runs only while
    //   linked (node.always-process off), which without ports is never.
    enum class Role { Ports, Listener };

    // Connects to the running server (JACK_DEFAULT_SERVER or the default one) without ever
    // starting one, and without libjack printing to the terminal. Null when no server answers.
    // events must outlive the client.
    static std::unique_ptr<JackClient> connect(const std::string &clientName, Role role,
                                               Events &events);
    // Closes the client. Not for a client of a server that is frozen (closing waits until it goes
    // on) or gone (libjack's state for the clients after it would break): the session keeps
    // such a client instead.
    ~JackClient();
    // Closes a client that its libjack dropped while the server runs on (see
    // JackSession::Core::replaceDroppedClient): its node leaves the server with its ports and
    // links. The object stays, not running, for whoever still holds it.
    void closeDropped();

    JackClient(const JackClient &) = delete;
    JackClient &operator=(const JackClient &) = delete;

    bool running() const { return running_.load(std::memory_order_acquire); }
    // Whether libjack is PipeWire's.
    static bool pipeWire();

    // Full names ("client:port") of the MIDI ports of other clients, in the server's order, as
    // this client knows them (under PipeWire each client has its own view, which the graph
    // callbacks follow). The ports of owner (this client or another of ours) are left out, so
    // the editor never offers itself as a device. Empty once the server is gone.
    std::vector<std::string> midiPorts(PortFlow flow, const JackClient &owner) const;
    // Registers a MIDI port of ours (outputs with isOutput) named "MIDI out <n>" / "MIDI in <n>";
    // null and result set on failure.
    jack_port_t *registerPort(bool isOutput, MidiResult &result);
    // Removes the port from the server; nothing once the server is gone.
    void unregisterPort(jack_port_t *port);
    // Asks the server to connect our port with another client's port named exactly otherName.
    // MidiOk says only that the server took the request: see connectionShown.
    MidiResult connectPort(jack_port_t *ours, const std::string &otherName, bool oursIsOutput);
    // Whether the server's graph holds the connection: read from the graph the server shares
    // with its clients, without a request (so without waiting on a frozen server).
    bool connectionShown(jack_port_t *ours, const std::string &otherName) const;
    // Asks the server to undo a connection; the graph shows when it has.
    void disconnectPort(jack_port_t *ours, const std::string &otherName, bool oursIsOutput);
    // Activates or deactivates the client: only an active client hears of the graph, has its
    // ports connected and runs its process callback. Deactivating disconnects its ports.
    void setActive(bool on);
    bool active() const { return active_; }

    // Adds a user to the process callback's table; false when the table is full.
    bool attach(JackPortUser *user);
    // Removes the user; when this returns, process() no longer runs it (nor will again).
    void detach(JackPortUser *user);

    // Waits until the cycle that is running now (if any) and the next `cycles` have ended, so
    // that what a port wrote into its buffer has reached the ports it is connected to.
    // False when the deadline passed, the server went away or the waiter gave up (abandon)
    // first: a sender that is being closed must not outlive its port, nor this client.
    bool waitForCycles(std::chrono::steady_clock::time_point deadline,
                       const std::atomic<bool> &abandon, int cycles = 1) const;
    // Process cycles ended so far: a count that stops when the server freezes.
    std::uint64_t cyclesEnded() const { return cyclesEnded_.load(std::memory_order_acquire); }

    // Microseconds on the JACK clock at the given frame offset of the current cycle; only on the
    // process thread.
    jack_time_t eventTime(jack_nframes_t frameOffset) const;
    static jack_time_t now();
    // The JACK clock in frames where the current cycle starts; only on the process thread.
    jack_nframes_t cycleStart() const;
    // Frames per second of the server.
    jack_nframes_t sampleRate() const { return sampleRate_; }
    // Largest MIDI event the server's port buffers can hold, in bytes; at least
    // kSmallestEventLimit.
    std::size_t maxEventSize() const { return maxEventSize_; }
    static constexpr std::size_t kSmallestEventLimit = 256;

private:
    JackClient(jack_client_t *client, Events &events);
    static int processThunk(jack_nframes_t frames, void *self);
    static void shutdownThunk(void *self);
    static void infoShutdownThunk(jack_status_t, const char *, void *self);
    static void portRegistrationThunk(jack_port_id_t, int, void *self);
    static void clientRegistrationThunk(const char *, int, void *self);
    static void portRenameThunk(jack_port_id_t, const char *, const char *, void *self);
    static void portConnectThunk(jack_port_id_t, jack_port_id_t, int, void *self);
    void gone();

    static constexpr std::size_t kMaxUsers = 64;
    // How long connectPort tries a port that refuses, and waits for one it does not know.
    static constexpr std::chrono::milliseconds kRefusedLimit{250};
    static constexpr std::chrono::milliseconds kUnknownLimit{1000};

    jack_client_t *client_;
    Events &events_;
    std::atomic<bool> running_{true};
    std::array<std::atomic<JackPortUser *>, kMaxUsers> users_{};
    // Counted by process(): a cycle has begun / ended. detach() and waitForCycles() use them.
    std::atomic<std::uint64_t> cyclesBegun_{0};
    std::atomic<std::uint64_t> cyclesEnded_{0};
    std::size_t maxEventSize_ = 0;
    jack_nframes_t sampleRate_ = 0;
    unsigned portSerial_ = 0;
    bool active_ = false;
};
