#include "sim/MidiStreamParser.h"

namespace sim {

int MidiStreamParser::dataBytesAfter(std::uint8_t status)
{
    switch (status & 0xF0) {
    case 0xC0: // Program Change
    case 0xD0: // Channel Pressure
        return 1;
    case 0xF0:
        break;
    default:
        return 2;
    }
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 1;
    case 0xF2: // song position
        return 2;
    default:
        return 0;
    }
}

void MidiStreamParser::feed(std::span<const std::uint8_t> bytes, Receiver &receiver)
{
    for (const std::uint8_t byte : bytes) {
        if (byte >= 0xF8)
            ++realTime_;
        else if (inSysex_)
            onSysexByte(byte, receiver);
        else if (byte >= 0x80)
            onStatus(byte, receiver);
        else
            onData(byte, receiver);
    }
}

void MidiStreamParser::reset()
{
    inSysex_ = false;
    partial_ = false;
    running_ = 0;
    current_.clear();
}

void MidiStreamParser::onSysexByte(std::uint8_t byte, Receiver &receiver)
{
    current_.append(byte);
    if (byte < 0x80)
        return;
    inSysex_ = false;
    if (byte == 0xF7) {
        receiver.onMessage(current_);
        return;
    }
    // Any other status byte ends the block on the cable; it is also the start of what follows.
    receiver.onFault(RejectReason::HighByteInMessage, current_);
    onStatus(byte, receiver);
}

void MidiStreamParser::onStatus(std::uint8_t byte, Receiver &receiver)
{
    if (partial_) {
        partial_ = false;
        receiver.onFault(RejectReason::CutShort, current_);
    }
    current_.clear();
    current_.append(byte);
    if (byte == 0xF0) {
        inSysex_ = true;
        running_ = 0;
        return;
    }
    if (byte == 0xF7) {
        running_ = 0;
        receiver.onFault(RejectReason::EndWithoutStart, current_);
        return;
    }
    if (dataBytesAfter(byte) == 0) {
        running_ = 0; // only the undefined F4, F5 and tune request F6 get here
        receiver.onMessage(current_);
        return;
    }
    // System common messages take data bytes but cancel running status once complete.
    running_ = byte;
    partial_ = true;
}

void MidiStreamParser::onData(std::uint8_t byte, Receiver &receiver)
{
    if (running_ == 0) {
        receiver.onFault(RejectReason::DataWithoutStatus, MidiMessage::of({&byte, 1}));
        return;
    }
    if (!partial_) {
        current_.clear();
        current_.append(running_);
        partial_ = true;
    }
    current_.append(byte);
    if (current_.length < std::size_t(1 + dataBytesAfter(running_)))
        return;
    partial_ = false;
    if (running_ >= 0xF0)
        running_ = 0;
    receiver.onMessage(current_);
}

} // namespace sim
