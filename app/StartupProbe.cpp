#include "app/StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace {

class FirstPaintWatcher : public QObject
{
public:
    FirstPaintWatcher(QWidget &window, int stayMs) : QObject(&window), StayMs(stayMs)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        watched->removeEventFilter(this);
        // The window's children paint after it in the same pass, and the pass ends by handing
        // the picture to the window system: the queued call runs once all of that is done.
        QMetaObject::invokeMethod(this, &FirstPaintWatcher::Report, Qt::QueuedConnection);
        return false;
    }

private:
    void Report()
    {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("torvane-first-paint %lld\n",
                    static_cast<long long>(std::chrono::nanoseconds(now).count()));
        std::fflush(stdout);
        QTimer::singleShot(StayMs, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    }

    int StayMs;
};

} // namespace

void InstallStartupProbe(QWidget &window)
{
    bool ok = false;
    const int stayMs = qEnvironmentVariableIntValue("TORVANE_STARTUP_PROBE", &ok);
    if (!ok || stayMs < 0)
        return;
    new FirstPaintWatcher(window, stayMs); // owned by the window
}
