#pragma once
// What a MIDI message means to this editor, for the MIDI monitor: its kind and channel (what
// the monitor filters by) and one line of text. The converter's parameter messages are read as
// the converter reads them (output n -> controller, channel change, write to flash), the
// Kessel's Program Change and merge controller on channel 16 as the Kessel reads them, and
// every Control Change names its controller as the assignment page's list does.
//
// Pure functions: no widget, no port, no allocation beyond the returned text.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace protocol {

enum class MessageKind {
    Note,          // Note On and Note Off
    ControlChange, // also the Kessel's merge switch
    ProgramChange, // also the Kessel's input selection
    Converter,     // the converter's parameter message
    Sysex,         // any other System Exclusive message
    Other,         // pressure, pitch bend, system common and real-time messages
};

struct MessageClass
{
    MessageKind kind;
    int channel; // 0..15, the converter's channel for a parameter message; -1 for none
};

// bytes holds the start of the message: all of it, or at least the first 8 bytes of a longer
// SysEx.
MessageClass Classify(std::span<const std::uint8_t> bytes);

// What the user calls output (0..31) now ("VCF 2 cutoff"), or empty.
using OutputLabels = std::function<QString(int output)>;

// One line of text; the channel is not in it (see Classify). size is the whole message's
// length; bytes may hold only its beginning. A parameter message of a labelled output names
// the label: "Output 17 'VCF 2 cutoff' ← Sound Brightness (74)".
QString Meaning(std::span<const std::uint8_t> bytes, std::size_t size,
                const OutputLabels &labelOf = {});

// The controller number (0..127) of a Control Change on any channel; -1 for any other message.
int ControlChangeNumber(std::span<const std::uint8_t> bytes);

} // namespace protocol
