#pragma once
// How both ports report failures: as their own exception class (Error). Every result code a port
// tests is kept as its last result, and a non-zero one is raised with the text for the code: the
// services' text (at most 127 characters, as the ports have always shown it), or "Specified error
// number is out of range" when the services have none. No prefix and no code number.
#include "midi/MidiPortState.h"
#include "midi/backend/MidiServices.h"

#include <QString>
#include <cstdint>
#include <exception>

QString MidiErrorText(const MidiServices &services, std::uint16_t code);
// The text for an open that failed below the result codes: the services threw (memory ran out,
// a thread of theirs could not start).
QString MidiOpenFailureText(const std::exception &failure);

template <class Error> class MidiPortErrors
{
public:
    QString ErrorText(std::uint16_t code) const { return MidiErrorText(services_, code); }

protected:
    explicit MidiPortErrors(MidiServices &services) : services_(services) {}

    [[noreturn]] void raise(const QString &message, std::uint16_t result = 0) const
    {
        throw Error(message, result);
    }
    // Device selection and the receive buffers may change only while the port is closed.
    void requireClosed(TMidiPortState state, const char *property) const
    {
        if (state == psOpen)
            raise(
                QStringLiteral("Change to %1 while device was open").arg(QLatin1String(property)));
    }
    void check(MidiResult result)
    {
        lastResult_ = static_cast<std::uint16_t>(result);
        if (result != MidiOk)
            raise(ErrorText(lastResult_), lastResult_);
    }

    MidiServices &services_;
    std::uint16_t lastResult_ = 0; // the last result code the port tested
};
