#pragma once
// The text both ports put in their exceptions for a result code: the services' text (at most
// 127 characters, as the ports have always shown it), or "Specified error number is out of
// range" when the services have none. No prefix and no code number.
#include <QString>
#include <cstdint>

class MidiServices;

QString MidiErrorText(const MidiServices &services, std::uint16_t code);
