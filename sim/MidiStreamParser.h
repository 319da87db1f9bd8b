#pragma once
// Turns the bytes arriving at a MIDI input into messages, the way a box on a MIDI cable sees
// them: messages may arrive split over several reads or several in one read; a channel message
// may leave out its status byte when it repeats the previous one (running status); real-time
// bytes (0xF8..0xFF) may stand anywhere, even inside another message, and belong to none.
//
// What the parser cannot make a message of is reported as a fault with the bytes concerned:
// a message cut short by the next status byte, a System Exclusive block cut by a status byte
// other than F7 (the block ends there, as on the cable, and the status byte starts the next
// message), a data byte with no status to belong to, an F7 with no block open.
//
// Real-time bytes are counted and otherwise ignored: the box has no clock and no active
// sensing, and it does not reset on 0xFF.
#include "sim/MidiMessage.h"
#include "sim/Rejection.h"

#include <cstdint>
#include <span>

namespace sim {

class MidiStreamParser
{
public:
    class Receiver
    {
    public:
        virtual void onMessage(const MidiMessage &message) = 0;
        virtual void onFault(RejectReason reason, const MidiMessage &bytes) = 0;

    protected:
        ~Receiver() = default;
    };

    void feed(std::span<const std::uint8_t> bytes, Receiver &receiver);
    // Forgets a message begun and the running status, as a box does when it restarts.
    void reset();

    std::uint64_t realTimeBytes() const { return realTime_; }

    // Data bytes that follow a status byte: 2 for most channel messages, 1 for Program and
    // Channel Pressure and some system common messages, 0 for the rest.
    static int dataBytesAfter(std::uint8_t status);

private:
    void onStatus(std::uint8_t byte, Receiver &receiver);
    void onData(std::uint8_t byte, Receiver &receiver);
    void onSysexByte(std::uint8_t byte, Receiver &receiver);

    MidiMessage current_;
    bool inSysex_ = false;
    bool partial_ = false;     // current_ holds a begun channel or system common message
    std::uint8_t running_ = 0; // the status following data bytes belong to; 0 for none
    std::uint64_t realTime_ = 0;
};

} // namespace sim
