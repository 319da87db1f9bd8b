#pragma once
// The system's MIDI underneath SystemMidiServices: which system is in use, the names of its ports
// in each direction, and the opening of one of them by its exact name, as a wire for an output's
// sender or as a source for an input's delivery.
//
// The system is chosen once, at construction: on Linux the ALSA sequencer when it opens, else
// JACK (jackd or PipeWire's), whether or not a server runs yet. Elsewhere RtMidi's own system API
// (WinMM, CoreMIDI). The ALSA sequencer is reached through one client of our own (AlsaSeqClient),
// which holds our ports in both directions and follows the sequencer's announcements of ports
// that come and go (AlsaAnnouncements); JACK through a JackSession of our own, which follows the
// server as it comes, goes, freezes and comes back; the other systems through RtMidi. Which of
// ALSA and JACK are there is the build's choice (TORVANE_MIDI_ALSA, TORVANE_MIDI_JACK: the Windows
// build has neither).
//
// WinMM tells nobody when a device comes or goes: with RtMidi's systems the port lists are
// listed again every second (PortListPoller) while someone listens for changes.
//
// Threads: the caller's (GUI) thread; no call waits on a MIDI server. The wires and sources it
// opens, the JACK session and the poller run threads of their own; onChange is called on those.
#include "midi/backend/MidiServices.h"
#include "midi/backend/system/PortListPoller.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
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

class MidiSystem
{
public:
    enum class Kind { Automatic, Alsa, Jack, Native, None };
    // Our direction: ports we send to, ports we receive from.
    enum Flow { Out, In };

    // Automatic picks as above; the others insist on one system and give no ports when it is not
    // available. Our own ports carry clientName. onChange: see MidiChangeListener.
    MidiSystem(Kind preferred, std::string clientName, std::function<void()> onChange = {});
    ~MidiSystem();
    MidiSystem(const MidiSystem &) = delete;
    MidiSystem &operator=(const MidiSystem &) = delete;

    // The system in use (never Automatic), and how the user is shown it.
    Kind kind() const { return kind_; }
    MidiSystemStatus status() const;
    // Waits until a JACK session's first connection attempt has ended; at once for the others.
    bool waitUntilSettled(std::chrono::milliseconds limit) const;

    // The other clients' ports, whole names in the system's order (on ALSA without the
    // sequencer's numbers, unless two ports share a name). refresh takes the system's latest
    // lists; otherwise the last ones taken, made on first use.
    const std::vector<std::string> &ports(Flow flow, bool refresh);
    // The lists as last taken (empty before the first).
    const std::vector<std::string> &listed(Flow flow) const { return names_[flow]; }

    // Null and result set on failure.
    std::unique_ptr<MidiWire> openOutput(const std::string &name, MidiResult &result);
    std::unique_ptr<MidiSource> openInput(const std::string &name, MidiInputDelivery &delivery,
                                          MidiResult &result);
    // Of the names of our open ports' devices, those whose port went away since the last call
    // (the ALSA sequencer; none elsewhere). A port listed under such a name now is a new one,
    // connected to nothing of ours, even when it came back under the same address.
    std::vector<std::string> departed(const std::vector<std::string> &names);
    // Connects an output or input opened here anew to the port named name (see departed).
    MidiResult reconnect(MidiWire &wire, const std::string &name);
    MidiResult reconnect(MidiSource &source, const std::string &name);
    // Microseconds on the clock the input sources stamp their events with.
    std::uint64_t now() const;

private:
    void startRtMidi(int api, std::function<void()> onChange);
    // The system's lists now, as shown.
    std::vector<std::string> systemPorts(Flow flow);
    // The whole name of the port listed as name (with the sequencer's numbers on ALSA).
    std::string fullName(const std::string &name) const;
    // The names shown for the system's list of whole names of flow, remembering what each
    // stands for.
    std::vector<std::string> shownNames(Flow flow, const std::vector<std::string> &fullNames);

    const std::string clientName_;
    Kind kind_ = Kind::None;
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
    // Follows RtMidi's lists for onChange; declared last, so that it stops first.
    std::unique_ptr<PortListPoller> poller_;
    std::array<std::vector<std::string>, 2> names_;
    std::array<bool, 2> listed_{};
    // Each name listed so far and its whole name when it was last listed.
    std::map<std::string, std::string> fullNames_;
    // The sequencer's ports listed now (whole names, both flows) and the name each is shown
    // under, which it keeps while it is listed.
    std::array<std::vector<std::string>, 2> fullListed_;
    std::map<std::string, std::string> labels_;
};
