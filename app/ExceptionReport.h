#pragma once
// The one place where an error that escapes an event handler is shown to the user: a modal
// box with the error's text, the application's title as caption, the error icon and OK.
// The event that raised the error ends there; the application goes on.
#include <QString>
#include <exception>

// The text as shown: a full stop is appended when the last character sorts after '.',
// as letters and digits do ("Invalid device ID" -> "Invalid device ID.").
QString ExceptionReportText(const QString &message);

void ShowExceptionReport(const std::exception &error);

// How many reports of a port's "not running" have been shown so far: they tell the user that the
// MIDI system has stopped, and the window's own report of the stop is left out when a send has
// told it already.
int SystemStopReportCount();
