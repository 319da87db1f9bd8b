#pragma once
// The GUI-thread half of every hand-over from other threads (HandOver, ByteInbox, a bare
// WakeUp): runs the consumer's drain on the thread that owns this object, from its event loop,
// whenever the producers raised the wake-up. It watches the wake-up with a QSocketNotifier on
// its descriptor, on Windows with a QWinEventNotifier on its event (a socket notifier there
// watches sockets only).
//
// Why a wake-up and not a queued Qt call or a posted QEvent: both allocate and take Qt's
// post-event lock on the posting thread. The wake-up costs one system call per burst.
#include "midi/backend/WakeUp.h"

#include <QObject>
#include <functional>

class HandOverWatch : public QObject
{
    Q_OBJECT
public:
    // wake must outlive this object. drain must acknowledge the wake-up before it takes what is
    // waiting: a raise during the drain then wakes again, and an unacknowledged one fires again
    // at once. A wake-up that could not be made is not watched: its owner drains by itself.
    HandOverWatch(const WakeUp &wake, std::function<void()> drain, QObject *parent = nullptr);
};
