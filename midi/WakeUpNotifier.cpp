#include "midi/WakeUpNotifier.h"

#if defined(Q_OS_WIN)
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

WakeUpNotifier::WakeUpNotifier(const WakeUp &wake, QObject *parent) : QObject(parent)
{
#if defined(Q_OS_WIN)
    auto *notifier = new QWinEventNotifier(wake.handle(), this);
    connect(notifier, &QWinEventNotifier::activated, this, &WakeUpNotifier::activated);
#else
    auto *notifier = new QSocketNotifier(wake.handle(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &WakeUpNotifier::activated);
#endif
}
