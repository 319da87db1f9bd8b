#pragma once
// Outputs and inputs of the system's MIDI services reached through RtMidi (WinMM and CoreMIDI).
// Neither JACK nor the ALSA sequencer comes this way: see JackMidiPorts.h and AlsaSeqPorts.h.
//
// RtMidi facts that shape these classes (RtMidi 5.0):
// - openPort(i) with i beyond the list does not fail: it opens a port connected to nothing. We
//   open by the exact name of the port after finding it in the list.
// - SysEx input is dropped unless ignoreTypes(false, ...) is called.
// - Without an error callback RtMidi prints warnings on stderr, and after one is set it no
//   longer throws for the errors it reports through it.
// - Input time stamps are the time since the previous message, so ours come from our own clock.
// - A send cannot be interrupted, on any system.
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiWire.h"

#include <rtmidi/RtMidi.h>

#include <memory>
#include <string>
#include <vector>

// The names RtMidi lists, without the ports of our own client.
std::vector<std::string> rtMidiPortNames(RtMidi &lister, const std::string &ownClientName);

class RtMidiOutWire final : public MidiWire
{
public:
    static std::unique_ptr<RtMidiOutWire> open(RtMidi::Api api, const std::string &clientName,
                                               const std::string &portName, MidiResult &result);

    // RtMidiOut::sendMessage runs on the sender thread only. It is handed one whole message
    // at a time, and abandon is honoured before each (a block of several stops between them).
    MidiResult write(const std::uint8_t *bytes, std::size_t size,
                     std::chrono::steady_clock::time_point sentAt,
                     const std::atomic<bool> &abandon) override;
    MidiResult drain(std::chrono::steady_clock::time_point deadline,
                     const std::atomic<bool> &abandon) override;
    MidiResult health() const override;

private:
    explicit RtMidiOutWire(std::unique_ptr<RtMidiOut> out);
    MidiResult send(const std::uint8_t *bytes, std::size_t size);
    static void onError(RtMidiError::Type type, const std::string &text, void *self);

    std::unique_ptr<RtMidiOut> out_;
    std::atomic<bool> failed_{false};     // set by RtMidi's error callback during a write
    std::atomic<bool> lastFailed_{false}; // the last write failed: the next send says so once
};

class RtMidiInSource final : public MidiSource
{
public:
    // Opens the port and passes everything it receives to delivery (which drops it until
    // started). RtMidi calls us on its own input thread.
    static std::unique_ptr<RtMidiInSource> open(RtMidi::Api api, const std::string &clientName,
                                                const std::string &portName,
                                                MidiInputDelivery &delivery, MidiResult &result);
    // Closing the port stops RtMidi's input thread, so no call reaches delivery afterwards.
    ~RtMidiInSource() override;

    // Microseconds on the clock the time stamps are taken from.
    static std::uint64_t now();

private:
    RtMidiInSource(std::unique_ptr<RtMidiIn> in, MidiInputDelivery &delivery);
    static void onMessage(double, std::vector<unsigned char> *message, void *self);
    static void onError(RtMidiError::Type, const std::string &, void *) {}

    std::unique_ptr<RtMidiIn> in_;
    MidiInputDelivery &delivery_;
};
