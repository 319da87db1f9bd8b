#include "app/Application.h"

#include "app/ExceptionReport.h"
#include "controls/Accessible.h"

#include <stdexcept>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setOrganizationName("Quillmont");
    setApplicationName("Torvane");
    // The installed desktop entry's name: the desktop shell matches the window to its launcher
    // and icon by it (the application id on Wayland).
    setDesktopFileName("com.quillmont.torvane");
    InstallControlAccessibility();
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ShowExceptionReport(error);
    } catch (...) {
        ShowExceptionReport(std::runtime_error("Unknown error"));
    }
    return false;
}
