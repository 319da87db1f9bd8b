#include "midi/MidiPortErrors.h"

#include "midi/backend/MidiServices.h"

#include <string>

QString MidiErrorText(const MidiServices &services, std::uint16_t code)
{
    std::string text;
    if (services.errorText(code, text) != MidiOk)
        return QStringLiteral("Specified error number is out of range");
    return QString::fromUtf8(text).left(127);
}
