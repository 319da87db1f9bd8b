#include "app/ExceptionReport.h"

#include "app/MessageBoxes.h"

#include <QCoreApplication>

QString ExceptionReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

namespace {
int Reports = 0;
}

int ExceptionReportCount()
{
    return Reports;
}

void ShowExceptionReport(const std::exception &error)
{
    ++Reports;
    ShowErrorBox(ExceptionReportText(QString::fromUtf8(error.what())),
                 QCoreApplication::applicationName());
}
