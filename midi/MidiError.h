#pragma once
// The project's exceptions. Exception is the base of every error the editor reports to the user:
// it carries the text shown in the report box and a help context (0 = none). The ports raise
// their own subclasses so a caller can tell which port failed.
#include <QString>
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

// Raised by TMidiOutput.
class EmidioutputError : public Exception
{
public:
    using Exception::Exception;
};

// Raised by TMidiInput.
class EMidiInputError : public Exception
{
public:
    using Exception::Exception;
};
