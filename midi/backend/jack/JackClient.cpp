#include "midi/backend/jack/JackClient.h"

#include "midi/backend/jack/PipeWireProps.h"

#include <jack/midiport.h>

#include <cerrno>
#include <string_view>
#include <thread>

namespace {

// libjack reports every failed connection attempt (and more) on stderr unless told otherwise;
// the editor logs nothing to the terminal, and a missing server is a normal state for it.
void silent(const char *) {}

void silenceLibjack()
{
    jack_set_error_function(silent);
    jack_set_info_function(silent);
}

} // namespace

std::unique_ptr<JackClient> JackClient::connect(const std::string &clientName, Role role,
                                                Events &events)
{
    silenceLibjack();
    // JackNoStartServer: never start a server behind the user's back (libjack would otherwise
    // try to launch jackd, which can hang or grab the sound card). PipeWire runs the listener's
    // node only while it is linked (never): without that it would wake it every quantum.
    jack_status_t status{};
    jack_client_t *client =
        PipeWireProps::openClient(clientName.c_str(), JackNoStartServer, &status,
                                  role == Role::Listener ? "node.always-process=false" : "");
    if (!client)
        return nullptr;
    std::unique_ptr<JackClient> self(new JackClient(client, events));
    // Both shutdown callbacks: jackd calls the one with the reason, PipeWire's JACK only the
    // plain one.
    jack_on_shutdown(client, &JackClient::shutdownThunk, self.get());
    jack_on_info_shutdown(client, &JackClient::infoShutdownThunk, self.get());
    jack_set_port_registration_callback(client, &JackClient::portRegistrationThunk, self.get());
    jack_set_client_registration_callback(client, &JackClient::clientRegistrationThunk, self.get());
    jack_set_port_rename_callback(client, &JackClient::portRenameThunk, self.get());
    // Another program (a patchbay) may undo a connection of ours: the lists are looked at again.
    jack_set_port_connect_callback(client, &JackClient::portConnectThunk, self.get());
    if (role == Role::Ports)
        jack_set_process_callback(client, &JackClient::processThunk, self.get());
    else if (jack_activate(client) != 0)
        return nullptr;
    self->active_ = role == Role::Listener;
    return self;
}

JackClient::JackClient(jack_client_t *client, Events &events) : client_(client), events_(events)
{
    // Half the port buffer per event leaves room for other messages in the same cycle; longer
    // messages are cut into several events (JACK MIDI receivers join SysEx fragments).
    maxEventSize_ = jack_port_type_get_buffer_size(client_, JACK_DEFAULT_MIDI_TYPE) / 2;
    if (maxEventSize_ < kSmallestEventLimit)
        maxEventSize_ = kSmallestEventLimit;
    sampleRate_ = jack_get_sample_rate(client_);
}

JackClient::~JackClient()
{
    if (client_)
        jack_client_close(client_);
}

void JackClient::closeDropped()
{
    running_ = false;
    if (client_)
        jack_client_close(client_);
    client_ = nullptr;
}

int JackClient::processThunk(jack_nframes_t frames, void *self)
{
    auto *c = static_cast<JackClient *>(self);
    c->cyclesBegun_.fetch_add(1, std::memory_order_seq_cst);
    for (auto &slot : c->users_) {
        if (JackPortUser *user = slot.load(std::memory_order_seq_cst))
            user->process(frames);
    }
    c->cyclesEnded_.fetch_add(1, std::memory_order_seq_cst);
    return 0;
}

void JackClient::gone()
{
    // Once: jackd may call both shutdown callbacks.
    if (running_.exchange(false, std::memory_order_acq_rel))
        events_.serverGone();
}

void JackClient::shutdownThunk(void *self)
{
    static_cast<JackClient *>(self)->gone();
}

void JackClient::infoShutdownThunk(jack_status_t, const char *, void *self)
{
    static_cast<JackClient *>(self)->gone();
}

void JackClient::portRegistrationThunk(jack_port_id_t, int, void *self)
{
    static_cast<JackClient *>(self)->events_.graphChanged();
}

void JackClient::clientRegistrationThunk(const char *, int, void *self)
{
    static_cast<JackClient *>(self)->events_.graphChanged();
}

void JackClient::portRenameThunk(jack_port_id_t, const char *, const char *, void *self)
{
    static_cast<JackClient *>(self)->events_.graphChanged();
}

void JackClient::portConnectThunk(jack_port_id_t, jack_port_id_t, int, void *self)
{
    static_cast<JackClient *>(self)->events_.graphChanged();
}

std::vector<std::string> JackClient::midiPorts(PortFlow flow, const JackClient &owner) const
{
    std::vector<std::string> names;
    if (!running())
        return names;
    const unsigned long flags = flow == PortFlow::Sink ? JackPortIsInput : JackPortIsOutput;
    const char **ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    if (!ports)
        return names;
    const std::string ours = std::string(jack_get_client_name(owner.client_)) + ":";
    for (const char **p = ports; *p; ++p)
        if (std::string_view(*p).substr(0, ours.size()) != ours)
            names.emplace_back(*p);
    jack_free(ports);
    return names;
}

jack_port_t *JackClient::registerPort(bool isOutput, MidiResult &result)
{
    const std::string name =
        std::string(isOutput ? "MIDI out " : "MIDI in ") + std::to_string(++portSerial_);
    jack_port_t *port = jack_port_register(client_, name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                           isOutput ? JackPortIsOutput : JackPortIsInput, 0);
    if (!port)
        result = running() ? MidiErrNotEnabled : MidiErrSystemNotRunning;
    return port;
}

void JackClient::unregisterPort(jack_port_t *port)
{
    if (port && running())
        jack_port_unregister(client_, port);
}

void JackClient::setActive(bool on)
{
    if (on == active_ || !running())
        return;
    active_ = (on ? jack_activate(client_) : jack_deactivate(client_)) == 0 ? on : active_;
}

bool JackClient::pipeWire()
{
    return PipeWireProps::active();
}

MidiResult JackClient::connectPort(jack_port_t *ours, const std::string &otherName,
                                   bool oursIsOutput)
{
    if (!running())
        return MidiErrSystemNotRunning;
    const char *mine = jack_port_name(ours);
    // A client that has just registered its port refuses connections until it is activated,
    // which takes it a moment: keep trying briefly while its port exists. A port this client
    // does not know may be one that the session's other client has just heard of (under
    // PipeWire each client learns of the graph on its own), or one that vanished between
    // listing and opening: it is given a little longer to appear.
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const int rc = oursIsOutput ? jack_connect(client_, mine, otherName.c_str())
                                    : jack_connect(client_, otherName.c_str(), mine);
        if (rc == 0 || rc == EEXIST)
            return MidiOk;
        if (!running())
            return MidiErrSystemNotRunning;
        const bool known = jack_port_by_name(client_, otherName.c_str()) != nullptr;
        if (std::chrono::steady_clock::now() - start >= (known ? kRefusedLimit : kUnknownLimit))
            return known ? MidiErrNotEnabled : MidiErrDeviceRemoved;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool JackClient::connectionShown(jack_port_t *ours, const std::string &otherName) const
{
    return ours && running() && jack_port_connected_to(ours, otherName.c_str()) > 0;
}

void JackClient::disconnectPort(jack_port_t *ours, const std::string &otherName, bool oursIsOutput)
{
    if (!running())
        return;
    const char *mine = jack_port_name(ours);
    if (oursIsOutput)
        jack_disconnect(client_, mine, otherName.c_str());
    else
        jack_disconnect(client_, otherName.c_str(), mine);
}

bool JackClient::attach(JackPortUser *user)
{
    for (auto &slot : users_) {
        JackPortUser *expected = nullptr;
        if (slot.compare_exchange_strong(expected, user, std::memory_order_seq_cst))
            return true;
    }
    return false;
}

void JackClient::detach(JackPortUser *user)
{
    for (auto &slot : users_) {
        JackPortUser *expected = user;
        slot.compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst);
    }
    // A cycle that begins from here on cannot see the user. One that began earlier may still be
    // inside user->process(); the callback never blocks, so it ends within microseconds (also
    // when the server has just died: the thread finishes the callback before it stops).
    const std::uint64_t begun = cyclesBegun_.load(std::memory_order_seq_cst);
    while (cyclesEnded_.load(std::memory_order_seq_cst) < begun)
        std::this_thread::yield();
}

bool JackClient::waitForCycles(std::chrono::steady_clock::time_point deadline,
                               const std::atomic<bool> &abandon, int cycles) const
{
    const std::uint64_t target = cyclesBegun_.load(std::memory_order_seq_cst) + cycles;
    while (cyclesEnded_.load(std::memory_order_seq_cst) < target) {
        if (!running() || abandon.load() || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

jack_time_t JackClient::eventTime(jack_nframes_t frameOffset) const
{
    return jack_frames_to_time(client_, jack_last_frame_time(client_) + frameOffset);
}

jack_time_t JackClient::now()
{
    return jack_get_time();
}

jack_nframes_t JackClient::cycleStart() const
{
    return jack_last_frame_time(client_);
}
