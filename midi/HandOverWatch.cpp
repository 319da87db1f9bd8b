#include "midi/HandOverWatch.h"

#if defined(Q_OS_WIN)
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

HandOverWatch::HandOverWatch(const WakeUp &wake, std::function<void()> drain, QObject *parent)
    : QObject(parent)
{
    if (!wake.valid())
        return;
#if defined(Q_OS_WIN)
    auto *notifier = new QWinEventNotifier(wake.handle(), this);
    connect(notifier, &QWinEventNotifier::activated, this, std::move(drain));
#else
    auto *notifier = new QSocketNotifier(wake.handle(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, std::move(drain));
#endif
}
