#include "midi/NotificationSink.h"

#include "midi/HandOverWatch.h"
#include "midi/LeakOnPurpose.h"
#include "midi/MidiNotifications.h"

#include <QPointer>
#include <exception>

NotificationSink::NotificationSink(Receiver receiver, QObject *parent)
    : QObject(parent), receiver_(std::move(receiver))
{
    watch();
}

NotificationSink::~NotificationSink() = default;

void NotificationSink::watch()
{
    watch_.reset();
    queue_ = std::make_unique<NotificationQueue>();
    watch_ = std::make_unique<HandOverWatch>(queue_->wakeUp(), [this] { deliverPending(); });
}

void NotificationSink::abandonQueue()
{
    watch_.reset();
    // Intentionally leaked: a driver that could not be stopped may still post into it.
    LeakOnPurpose(queue_.release());
    watch();
}

void NotificationSink::deliverPending()
{
    NotificationQueue *queue = queue_.get();
    queue->acknowledgeWake();
    // The receiver runs user code, which may delete the port and with it this sink and its
    // queue. If a receiver throws, what is still queued must not wait for a post that may never
    // come: unless the sink is gone, and the queue with it.
    struct RearmOnThrow
    {
        NotificationQueue *queue;
        QPointer<NotificationSink> alive;
        int exceptions = std::uncaught_exceptions();
        ~RearmOnThrow()
        {
            if (std::uncaught_exceptions() > exceptions && alive)
                queue->rearm();
        }
    } rearm{queue, this};
    const QPointer<NotificationSink> &alive = rearm.alive;
    MidiNotification notification;
    while (queue->pop(notification)) {
        receiver_(notification.number, notification.param);
        if (!alive)
            return;
    }
    for (std::uint32_t number : {NotifyItemStored, NotifyItemDropped}) {
        for (std::uint32_t n = queue->takeCounted(number); n > 0; --n) {
            receiver_(number, 0);
            if (!alive)
                return;
        }
    }
}
