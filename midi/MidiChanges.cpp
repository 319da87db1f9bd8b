#include "midi/MidiChanges.h"

#include "midi/WakeUpNotifier.h"

MidiChanges::MidiChanges(MidiServices &services, QObject *parent)
    : QObject(parent), services_(services)
{
    notifier_ = new WakeUpNotifier(wake_, this);
    connect(notifier_, &WakeUpNotifier::activated, this, [this] {
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
