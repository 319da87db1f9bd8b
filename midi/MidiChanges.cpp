#include "midi/MidiChanges.h"

#include <QSocketNotifier>

MidiChanges::MidiChanges(MidiServices &services, QObject *parent)
    : QObject(parent), services_(services)
{
    notifier_ = new QSocketNotifier(wake_.handle(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        wake_.acknowledge();
        emit changed();
    });
    services_.setChangeListener(this);
}

MidiChanges::~MidiChanges()
{
    // After this returns the services call nothing of ours.
    services_.setChangeListener(nullptr);
}
