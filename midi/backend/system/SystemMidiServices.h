#pragma once
// The system's MIDI devices behind the MidiServices interface.
//
// The MIDI system is chosen once, at construction: on Linux the ALSA sequencer when it opens,
// else JACK (jackd or PipeWire's), whether or not a server runs yet; none when neither is built
// or asked for (no system devices; that is not an error). Elsewhere RtMidi's own system API
// (WinMM, CoreMIDI), reached through RtMidi. The ALSA sequencer is reached through one client of
// our own (AlsaSeqClient), which holds our ports in both directions and follows the sequencer's
// announcements of ports that come and go (AlsaAnnouncements); JACK through a JackSession of our
// own, which follows the server as it comes, goes, freezes and comes back: RtMidi's JACK path
// cannot tell when the server dies, then spins in sendMessage, drops what does not fit one
// cycle, allocates on the real-time thread and crashes now and then when its clients are closed
// in the wrong order. Which of ALSA and JACK are there is the build's choice (TORVANE_MIDI_ALSA,
// TORVANE_MIDI_JACK: the Windows build has neither). WinMM tells nobody when a device comes or
// goes: with RtMidi's systems the port lists are listed again every second (PortListPoller)
// while someone listens for changes.
//
// Output device -1 is a mapper that routes to the first system output. It is there so that a
// search by name, which asks the mapper first, finds the devices after it; its name is never a
// system port's.
//
// Device numbers index the list made by the latest outputDeviceCount / inputDeviceCount (made
// on first use otherwise), and a device is opened by its exact name from that list. Names are
// the system's own port names, whole (on ALSA without the sequencer's numbers, unless two ports
// share a name). Our own ports are never listed. The lists follow the system live: the change
// listener hears when to list again. A JACK device opens at once and is connected on the
// session's thread; what is sent meanwhile waits for the connection (a few seconds at most). Its
// health says whether it is connected, and when its port or the whole server goes, or a message
// sent to it did not arrive, every send fails with the reason (MidiErrNotConnected,
// MidiErrSystemNotRunning, MidiErrSystemNotResponding).
//
// The class's work is spread over files by job: SystemMidiServices.cpp chooses the system and
// tells its state, SystemDeviceLists.cpp lists the devices and names them,
// SystemDeviceOpening.cpp opens, feeds and closes them.
//
// Threads: the MidiServices methods run on the caller's (GUI) thread and never wait on a MIDI
// server. Each open output has a sender thread (MidiOutputSender) that writes its messages in
// order and reports OutDone; input callbacks come from the system's thread (MidiInputDelivery);
// the listener is told on the system's threads (the JACK session's, the sequencer watcher's, the
// poller's).
#include "midi/backend/MidiServiceOverrides.h"
#include "midi/backend/system/PortListPoller.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class AlsaAnnouncements;
class AlsaSeqClient;
class JackSession;
class MidiInputDelivery;
class MidiSource;
class MidiWire;
class RtMidiIn;
class RtMidiOut;

class SystemMidiServices final : public MidiServices
{
public:
    // Automatic picks as described above; the others insist on one system (tests use Jack) and
    // give no devices when it is not available.
    explicit SystemMidiServices(MidiSystem preferred = MidiSystem::Automatic);
    // Closes what is still open, inputs before outputs.
    ~SystemMidiServices() override;

    SystemMidiServices(const SystemMidiServices &) = delete;
    SystemMidiServices &operator=(const SystemMidiServices &) = delete;

    // The system in use (never Automatic).
    MidiSystem system() const { return kind_; }
    // Waits until the system's first connection attempt has ended (for a command line, which
    // needs the lists before it goes on; a window does not wait): a JACK session's; at once for
    // the others. False when the limit passed.
    bool waitUntilSettled(std::chrono::milliseconds limit) const;

    // The name our client and ports carry in the MIDI system.
    static const char *clientName();
    static const char *mapperName();
    static constexpr int kMapperId = -1;

    TORVANE_MIDI_DEVICE_OVERRIDES

    void setChangeListener(MidiChangeListener *listener) override;
    MidiSystemStatus systemStatus() const override;
    MidiResult outputHealth(MidiHandle handle) const override;
    MidiResult inputHealth(MidiHandle handle) const override;

private:
    // Our direction: ports we send to, ports we receive from.
    enum Flow { Out, In };
    struct Output;
    struct Input;
    using Outputs = std::map<MidiHandle, std::unique_ptr<Output>>;
    using Inputs = std::map<MidiHandle, std::unique_ptr<Input>>;

    // ---- the system (SystemMidiServices.cpp) ----
    void startRtMidi(int api);
    void changed();
    // Why a device cannot be opened or started now, or MidiOk.
    MidiResult systemHealth() const;
    MidiResult listedHealth(Flow flow, const std::string &name, MidiResult portHealth) const;
    // Microseconds on the clock the input sources stamp their events with.
    std::uint64_t now() const;

    // ---- the device lists (SystemDeviceLists.cpp) ----
    // The other clients' ports as shown. refresh takes the system's latest lists, and follows
    // the open ports' departures; otherwise the last ones taken, made on first use.
    const std::vector<std::string> &names(Flow flow, bool refresh);
    // The system's lists now, as shown.
    std::vector<std::string> systemPorts(Flow flow);
    // The names shown for the system's list of whole names of flow, remembering what each
    // stands for.
    std::vector<std::string> shownNames(Flow flow, const std::vector<std::string> &fullNames);
    // The whole name of the port listed as name (with the sequencer's numbers on ALSA).
    std::string fullName(const std::string &name) const;
    // Of the names of our open ports' devices, those whose port went away since the last call
    // (the ALSA sequencer; none elsewhere). A port listed under such a name now is a new one,
    // connected to nothing of ours, even when it came back under the same address.
    std::vector<std::string> departed(const std::vector<std::string> &names);
    // Marks the open ports whose device went away, and connects those of flow whose device is
    // listed again anew.
    void followDepartures(Flow flow);

    // ---- opening (SystemDeviceOpening.cpp) ----
    // The name of device deviceId for an open with callback, or why it cannot be opened.
    MidiResult nameToOpen(Flow flow, int deviceId, MidiCallbackFunction callback,
                          std::string &name);
    // The system's port named name, as a wire for an output's sender or a source for an input's
    // delivery; null and result set on failure.
    std::unique_ptr<MidiWire> openWire(const std::string &name, MidiResult &result);
    std::unique_ptr<MidiSource> openSource(const std::string &name, MidiInputDelivery &delivery,
                                           MidiResult &result);
    // Connects an output or input anew to the port named name (see departed).
    MidiResult reconnect(MidiWire &wire, const std::string &name);
    MidiResult reconnect(MidiSource &source, const std::string &name);
    // act(port) for the open port of handle; MidiErrInvalidHandle when there is none.
    template <class Map, class Act>
    static MidiResult withPort(Map &ports, MidiHandle handle, Act act);
    // The queue rule's check on the port of handle, then queue(port).
    template <class Map, class Queue>
    static MidiResult queueOn(Map &ports, MidiHandle handle, MidiHeader *header, Queue queue);

    std::mutex listenerMutex_;
    MidiChangeListener *listener_ = nullptr;

    MidiSystem kind_ = MidiSystem::None;
    int rtApi_ = 0; // RtMidi::Api of the RtMidi systems
#if TORVANE_MIDI_JACK
    std::unique_ptr<JackSession> jack_;
#endif
#if TORVANE_MIDI_ALSA
    // Our ALSA sequencer client; the ports opened on it share it.
    std::shared_ptr<AlsaSeqClient> seq_;
    // The sequencer's announcements, which make the lists follow its ports live, read on seq_.
    std::unique_ptr<AlsaAnnouncements> alsa_;
#endif
    // RtMidi's port lists (the systems other than ALSA and JACK); its base class cannot be
    // deleted, hence one of each.
    std::unique_ptr<RtMidiOut> outLister_;
    std::unique_ptr<RtMidiIn> inLister_;
    // Follows RtMidi's lists for the listener; stopped first of all in the destructor.
    std::unique_ptr<PortListPoller> poller_;

    std::array<std::vector<std::string>, 2> names_;
    std::array<bool, 2> listed_{};
    // Each name listed so far and its whole name when it was last listed.
    std::map<std::string, std::string> fullNames_;
    // The sequencer's ports listed now (whole names, both flows) and the name each is shown
    // under, which it keeps while it is listed.
    std::array<std::vector<std::string>, 2> fullListed_;
    std::map<std::string, std::string> labels_;

    Outputs outputs_;
    Inputs inputs_;
    MidiHandle lastHandle_ = NoMidiHandle;
};
