#include "app/ExceptionReport.h"

#include "app/MessageBoxes.h"
#include "midi/MidiError.h"
#include "midi/backend/MidiServices.h"

#include <QCoreApplication>

QString ExceptionReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

namespace {
int StopReports = 0;

bool ReportsSystemStop(const std::exception &error)
{
    const auto *port = dynamic_cast<const EMidiPortError *>(&error);
    return port && port->Result() == MidiErrSystemNotRunning;
}
} // namespace

int SystemStopReportCount()
{
    return StopReports;
}

void ShowExceptionReport(const std::exception &error)
{
    if (ReportsSystemStop(error))
        ++StopReports;
    ShowErrorBox(ExceptionReportText(QString::fromUtf8(error.what())),
                 QCoreApplication::applicationName());
}
