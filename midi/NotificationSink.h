#pragma once
// A port's notification sink: the GUI-thread half. It watches its NotificationQueue's wake-up
// with a HandOverWatch and hands every posted notification to the receiver (the port's
// HandleNotification) on the GUI thread, in posting order.
//
// Ownership: the port owns the sink; the sink owns the queue the callback posts into. A port
// whose device could not be closed calls abandonQueue(): the driver may still post, so the old
// queue is deliberately left alive (and unwatched) and a fresh one takes its place.
#include "midi/NotificationQueue.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

class HandOverWatch;

class NotificationSink : public QObject
{
    Q_OBJECT
public:
    using Receiver = std::function<void(std::uint32_t number, std::uintptr_t param)>;

    explicit NotificationSink(Receiver receiver, QObject *parent = nullptr);
    ~NotificationSink() override;

    // Where MidiCallback posts; stays valid until abandonQueue() or destruction.
    NotificationQueue *queue() const { return queue_.get(); }

    // Hands every notification posted so far to the receiver now. The event loop calls it on
    // each wake-up; a port calls it where it must not wait for the loop. A receiver that throws
    // ends the delivery; the rest follow at the next turn of the event loop.
    void deliverPending();

    void abandonQueue();

private:
    void watch();

    Receiver receiver_;
    std::unique_ptr<NotificationQueue> queue_;
    std::unique_ptr<HandOverWatch> watch_;
};
