#include "converter/InputReader.h"

#include "midi/MidiIn.h"
#include "midi/backend/ShortMessage.h"

#include <array>

InputReader::InputReader(TMidiInput &port, QObject *parent) : QObject(parent), port_(port)
{
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(DrainDelayMs);
    connect(&drainTimer_, &QTimer::timeout, this, &InputReader::Drain);
    port_.OnMidiInput = [this](QObject *) {
        if (!drainTimer_.isActive())
            drainTimer_.start();
    };
    port_.OnOverflow = [this](QObject *) { ++lost_; };
}

void InputReader::Drain()
{
    TMidiRingEvent event;
    // Bounded: the driver may fill the ring as fast as it is read.
    for (int n = port_.Capacity(); n > 0 && port_.TakeEvent(event); --n) {
        if (MidiHeader *header = event.SysexHeader) {
            Deliver({header->data, header->bytesRecorded});
            try {
                port_.RequeueSysexBuffer(header);
            } catch (const std::exception &) {
                // That buffer is lost to reception; the others still serve.
            }
            continue;
        }
        const std::array<std::uint8_t, 3> bytes = unpackShortMessage(event.Data);
        Deliver(std::span(bytes).first(packedMessageLength(bytes[0])));
    }
    if (port_.EventCount() > 0)
        drainTimer_.start();
}

void InputReader::Deliver(std::span<const std::uint8_t> message)
{
    for (const Listener &listener : listeners_)
        listener(message);
}
