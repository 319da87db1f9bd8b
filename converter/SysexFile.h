#pragma once
// .syx files: System Exclusive messages stored one after the other, each F0 .. F7, the form in
// which raw-MIDI tools (amidi, librarians, sequencers) keep and send SysEx. A preset's .syx file
// holds exactly what a transfer sends, so that any such tool configures the converter as the
// editor does; reading one back applies the converter's messages to a preset.
//
// Pure functions over bytes, no widget and no MIDI port: the editor, the command line and the
// fuzz target share them.
#include "converter/Protocol.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace protocol {

using PresetBytes = std::array<std::uint8_t, PresetSize>;
using Controllers = std::span<const std::uint8_t, OutputCount>;

// The channel (0..15) a preset's byte 32 stands for: a byte above 15 means channel 16, as the
// master label shows it.
int PresetChannel(std::uint8_t byte);

// A transfer of a preset: the 32 output parameters in output order on channel, then the
// write-to-flash command when flash is set.
std::vector<QByteArray> TransferMessages(int channel, Controllers controllers, bool flash);
// The same messages one after the other: the preset's .syx file.
QByteArray PresetSysex(int channel, Controllers controllers, bool flash);
// The pause a transfer keeps after message: longer after the write-to-flash command.
std::uint32_t PauseAfter(QByteArrayView message);

// The fields of a converter parameter message (F0 70 7E ch param hi lo F7 with channel,
// and both nibbles, within 0..15), or nothing for any other message.
struct ParameterFields
{
    int channel;
    int parameter;
    int value; // hi * 16 + lo, 0..255
};
std::optional<ParameterFields> ReadParameterMessage(QByteArrayView message);

// ---- reading a .syx file ----

// Whether path names a .syx file (the extension in any case).
bool IsSysexFileName(const QString &path);

enum class SysexFault {
    None,
    NoSysex,        // no F0 anywhere (an empty file, a parameter file, text)
    CutShort,       // a message whose F7 never comes
    NotADataByte,   // a byte 80..FF other than the closing F7 inside a message
    OutsideMessage, // a byte between messages, or before the first
};

struct SysexMessages
{
    SysexFault fault = SysexFault::None;
    qsizetype messageAt = 0;          // where the message at fault starts
    qsizetype byteAt = 0;             // where the byte at fault stands
    std::vector<QByteArray> messages; // whole messages, F0 .. F7; empty on a fault
};
SysexMessages SplitSysex(QByteArrayView file);
// Says what is wrong with the file, for people; empty for no fault.
QString SysexFaultText(const SysexMessages &split, QByteArrayView file);

struct SysexImport
{
    SysexMessages split;
    int applied = 0;
    int skipped = 0;
    // The channel the converter's messages were addressed to (after any channel change they
    // hold); nothing when none was applied.
    std::optional<int> channel;
};
// Applies the file's converter messages to preset, as a converter would take them in order:
// the first message of output (48..79) or channel (47) parameter names the channel it listens
// on; after it, such messages on that channel set an output's byte (255 none) or move to the
// new channel, and become byte 32 at the end. Every other message is skipped (another
// channel, another device, write to flash). Byte 33 is kept. On a fault nothing changes.
SysexImport ImportSysex(QByteArrayView file, PresetBytes &preset);
// The note after an import that skipped messages.
QString SkippedNote(const SysexImport &import);

} // namespace protocol
