#pragma once
// Why the simulated box ignored a message. A real box ignores such input silently; the
// simulator counts it and keeps the last one, so that a user can see what went wrong.
#include "sim/MidiMessage.h"

#include <cstdint>
#include <string_view>

namespace sim {

enum class RejectReason : std::uint8_t {
    // Parameter messages (F0 70 7E ch param hi lo F7).
    OtherHeader,         // a System Exclusive block that does not start F0 70 7E
    WrongLength,         // the right header, but not 8 bytes from F0 to F7
    OtherChannel,        // addressed to another channel than the box listens on
    UnknownParameter,    // a parameter number the converter does not have
    WrongFlashValue,     // parameter 112 with a value other than 123
    ValueNibbleTooLarge, // a value byte above 0x0F: the value travels as two 4-bit nibbles
    HighByteInMessage,   // a byte of 0x80 or more (not real-time) inside the block cut it
    // Patch bay.
    KesselInputOutOfRange, // Program Change on channel 16 above 7: the Kessel has 8 inputs
    // Anything else.
    NotUsedByTheBox,   // a well-formed message for the box that it has no use for
    CutShort,          // a status byte arrived before the message had all its data bytes
    DataWithoutStatus, // a data byte with no status byte (and no running status) before it
    EndWithoutStart,   // F7 outside a System Exclusive block
};

std::string_view reasonText(RejectReason reason);

struct Rejection
{
    RejectReason reason;
    MidiMessage message;

    friend bool operator==(const Rejection &, const Rejection &) = default;
};

} // namespace sim
