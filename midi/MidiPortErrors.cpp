#include "midi/MidiPortErrors.h"

#include "midi/backend/MidiServices.h"

#include <new>
#include <string>

QString MidiErrorText(const MidiServices &services, std::uint16_t code)
{
    std::string text;
    if (services.errorText(code, text) != MidiOk)
        return QStringLiteral("Specified error number is out of range");
    return QString::fromUtf8(text).left(127);
}

QString MidiOpenFailureText(const std::exception &failure)
{
    const QString reason = dynamic_cast<const std::bad_alloc *>(&failure)
                               ? QStringLiteral("not enough memory")
                               : QString::fromLocal8Bit(failure.what());
    return QStringLiteral("The MIDI device could not be opened: ") + reason;
}
