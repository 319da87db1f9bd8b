#include "midi/MidiChanges.h"

#include "midi/HandOverWatch.h"

MidiChanges::MidiChanges(MidiServices &services, QObject *parent)
    : QObject(parent), services_(services)
{
    new HandOverWatch(
        wake_,
        [this] {
            wake_.acknowledge();
            emit changed();
        },
        this);
    services_.setChangeListener(this);
}

MidiChanges::~MidiChanges()
{
    // After this returns the services call nothing of ours.
    services_.setChangeListener(nullptr);
}
