#pragma once
// The system's MIDI underneath RtMidiServices: which system is in use, the names of its ports in
// each direction, and the opening of one of them by its exact name, as a wire for an output's
// sender or as a source for an input's delivery.
//
// The system is chosen once, at construction: on Linux the ALSA sequencer when it opens, else a
// running JACK server, else none. Elsewhere RtMidi's own system API (WinMM, CoreMIDI). ALSA and
// the other systems are reached through RtMidi, JACK through a JackClient of our own.
//
// A JACK server that went away may be started again: a listing asked for while none of our
// ports is open tries a new client, so that the lists and opens that follow reach the new
// server. While no server runs the attempt fails at once and the last lists stay, so device
// numbers do not move.
//
// Threads: the caller's (GUI) thread. The wires and sources it opens run threads of their own.
#include "midi/backend/MidiServices.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class JackClient;
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
    // available. Our own ports carry clientName.
    MidiSystem(Kind preferred, std::string clientName);
    // Leaves a client of a frozen JACK server open: closing it would wait until the server
    // goes on.
    ~MidiSystem();
    MidiSystem(const MidiSystem &) = delete;
    MidiSystem &operator=(const MidiSystem &) = delete;

    // The system in use (never Automatic), and its name for people ("ALSA", "JACK", ...).
    Kind kind() const { return kind_; }
    std::string name() const;
    // False once the system has gone away (the JACK server died).
    bool running() const;

    // The other clients' ports, whole names in the system's order. refresh asks the system
    // again (a dead JACK server keeps the last list); otherwise the last list, made on first use.
    // oursOpen says whether any port of ours is open, which keeps us on the client it is on.
    const std::vector<std::string> &ports(Flow flow, bool refresh, bool oursOpen);

    // Null and result set on failure.
    std::unique_ptr<MidiWire> openOutput(const std::string &name, MidiResult &result);
    std::unique_ptr<MidiSource> openInput(const std::string &name, MidiInputDelivery &delivery,
                                          MidiResult &result);
    // Microseconds on the clock the input sources stamp their events with.
    std::uint64_t now() const;

private:
    void startRtMidi(int api);
    void reconnectIfServerCameBack(bool oursOpen);

    const std::string clientName_;
    Kind kind_ = Kind::None;
    int rtApi_ = 0; // RtMidi::Api of the RtMidi systems
    std::unique_ptr<JackClient> jack_;
    // RtMidi's port lists; its base class cannot be deleted, hence one of each.
    std::unique_ptr<RtMidiOut> outLister_;
    std::unique_ptr<RtMidiIn> inLister_;
    std::array<std::vector<std::string>, 2> names_;
    std::array<bool, 2> listed_{};
};
