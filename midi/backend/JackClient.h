#pragma once
// The editor's one client of a JACK server: it finds out whether a server runs, lists the MIDI
// ports of the other clients, owns the MIDI ports the editor opens, runs their work in the JACK
// process callback and watches for the server going away.
//
// Threads
// - Public methods are called from non-real-time threads (the GUI thread; the output sender
//   threads call only JackMidiOutPort::write and friends, see JackMidiPorts.h).
// - The JACK process thread runs process(): it visits the attached port users through a fixed
//   table of atomic pointers, allocating nothing and taking no lock.
// - The JACK notification thread runs the shutdown handler, which only clears an atomic flag.
//   Once it is cleared, every operation that would talk to the server fails at once with
//   MidiErrSystemNotRunning instead (libjack calls on a dead client return errors, but the
//   port lists it returns are stale).
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

    // Connects to the running server (JACK_DEFAULT_SERVER or the default one) without ever
    // starting one, and without libjack printing to the terminal. Null when no server answers.
    static std::unique_ptr<JackClient> connect(const std::string &clientName);
    // Closes the client. Only when responsive() or the server is gone: closing waits for a
    // frozen server (RtMidiServices leaves such a client open and its object alive).
    ~JackClient();

    JackClient(const JackClient &) = delete;
    JackClient &operator=(const JackClient &) = delete;

    bool running() const { return running_.load(std::memory_order_acquire); }

    // Full names ("client:port") of the MIDI ports of other clients, in the server's order.
    // Our own ports are left out, so the editor never offers itself as a device. Empty once the
    // server is gone.
    std::vector<std::string> midiPorts(PortFlow flow) const;

    // Whether the server is running cycles: two end within kResponseLimit. Requests to a
    // server that is alive but frozen (stopped, in a debugger) block in libjack until it goes on,
    // so they are made only after this said yes. One cycle proves nothing: a cycle the server
    // started just before it froze still reaches us (the clients wake one another), and on a
    // busy machine it may reach us well after the freeze.
    bool responsive() const;
    static constexpr std::chrono::milliseconds kResponseLimit{300};

    // Registers a MIDI port of ours (outputs with isOutput) named "<base> <n>"; null and result
    // set on failure (MidiErrNotReady when the server does not respond).
    jack_port_t *registerPort(const char *base, bool isOutput, MidiResult &result);
    // Removes the port from the server; nothing when the server is gone or does not respond
    // (the registration then lasts as long as the client).
    void unregisterPort(jack_port_t *port);
    // Connects our port with another client's port named exactly otherName.
    MidiResult connectPort(jack_port_t *ours, const std::string &otherName, bool oursIsOutput);

    // Adds a user to the process callback's table; false when the table is full.
    bool attach(JackPortUser *user);
    // Removes the user; when this returns, process() no longer runs it (nor will again).
    void detach(JackPortUser *user);

    // Waits until the cycle that is running now (if any) and the next `cycles` have ended, so
    // that what a port wrote into its buffer has reached the ports it is connected to.
    // False when the deadline passed or the server went away first.
    bool waitForCycles(std::chrono::steady_clock::time_point deadline, int cycles = 1) const;

    // Microseconds on the JACK clock at the given frame offset of the current cycle; only on the
    // process thread.
    jack_time_t eventTime(jack_nframes_t frameOffset) const;
    jack_time_t now() const;
    // The JACK clock in frames where the current cycle starts; only on the process thread.
    jack_nframes_t cycleStart() const;
    // Frames per second of the server.
    jack_nframes_t sampleRate() const { return sampleRate_; }
    // Largest MIDI event the server's port buffers can hold, in bytes.
    std::size_t maxEventSize() const { return maxEventSize_; }

private:
    explicit JackClient(jack_client_t *client);
    static int processThunk(jack_nframes_t frames, void *self);
    static void shutdownThunk(jack_status_t, const char *, void *self);

    static constexpr std::size_t kMaxUsers = 64;

    jack_client_t *client_;
    std::atomic<bool> running_{true};
    std::array<std::atomic<JackPortUser *>, kMaxUsers> users_{};
    // Counted by process(): a cycle has begun / ended. detach() and waitForCycles() use them.
    std::atomic<std::uint64_t> cyclesBegun_{0};
    std::atomic<std::uint64_t> cyclesEnded_{0};
    std::size_t maxEventSize_ = 0;
    jack_nframes_t sampleRate_ = 0;
    unsigned portSerial_ = 0;
};
