#pragma once
// Tells a Qt event loop that a WakeUp was raised: a QSocketNotifier on its descriptor, on Windows
// a QWinEventNotifier on its event (a socket notifier there watches sockets only).
//
// Threads: activated() is emitted on the thread that owns this object, from its event loop. The
// slot must acknowledge the wake-up, or it fires again at once.
#include "midi/backend/WakeUp.h"

#include <QObject>

class WakeUpNotifier : public QObject
{
    Q_OBJECT
public:
    // wake must outlive this object.
    explicit WakeUpNotifier(const WakeUp &wake, QObject *parent = nullptr);

signals:
    void activated();
};
