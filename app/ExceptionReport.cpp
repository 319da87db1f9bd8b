#include "app/ExceptionReport.h"

#include "app/MessageBoxes.h"

#include <QCoreApplication>

QString ExceptionReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowExceptionReport(const std::exception &error)
{
    ShowErrorBox(ExceptionReportText(QString::fromUtf8(error.what())),
                 QCoreApplication::applicationName());
}
