#pragma once
// The project's exceptions. Exception is the base of every error the editor reports to the user:
// it carries the text shown in the report box and a help context (0 = none). The ports raise
// their own subclasses so a caller can tell which port failed.
#include <QString>
#include <cstdint>
#include <stdexcept>

class Exception : public std::runtime_error
{
public:
    explicit Exception(const QString &message, int helpContext = 0)
        : std::runtime_error(message.toStdString()), message_(message), helpContext_(helpContext)
    {
    }
    const QString &Message() const { return message_; }
    int HelpContext() const { return helpContext_; }

private:
    QString message_;
    int helpContext_;
};

// What a port raises: the text, and the services' result code when a call of theirs failed
// (0 when the port itself refused, "Invalid device ID" and the like).
class EMidiPortError : public Exception
{
public:
    explicit EMidiPortError(const QString &message, std::uint16_t result = 0)
        : Exception(message), result_(result)
    {
    }
    std::uint16_t Result() const { return result_; }

private:
    std::uint16_t result_;
};

// Raised by TMidiOutput.
class EmidioutputError : public EMidiPortError
{
public:
    using EMidiPortError::EMidiPortError;
};

// Raised by TMidiInput.
class EMidiInputError : public EMidiPortError
{
public:
    using EMidiPortError::EMidiPortError;
};
