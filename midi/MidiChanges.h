#pragma once
// Hands the MIDI services' change notices (the device lists, the system's state, a device's
// connection) to the GUI thread as one Qt signal per burst.
//
// Threads: midiChanged() runs on the services' threads, also a driver's: it only raises a
// wake-up (no allocation, no lock, no wait). changed() is emitted on the thread that owns this
// object, from its event loop, once for everything raised since the last time.
#include "midi/backend/MidiServices.h"
#include "midi/backend/WakeUp.h"

#include <QObject>

class MidiChanges : public QObject, public MidiChangeListener
{
    Q_OBJECT
public:
    // Listens to services until destroyed; services must outlive it.
    explicit MidiChanges(MidiServices &services, QObject *parent = nullptr);
    ~MidiChanges() override;

    void midiChanged() noexcept override { wake_.raise(); }

signals:
    void changed();

private:
    MidiServices &services_;
    WakeUp wake_;
};
