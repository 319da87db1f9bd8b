#pragma once
// The editor's MIDI services, as the window and the command line both use them: the system's
// devices first (those of the MIDI system chosen), the simulated ones ("Torvane Simulator",
// "Virtual Loopback") numbered on after them. The two differ only in when the system's devices must
// be known.
#include "app/MidiSystemChoice.h"
#include "midi/backend/simulated/CombinedServices.h"

#include <memory>

enum class SystemMidiStart {
    // Connects on a thread of its own while the caller goes on (the window builds itself
    // meanwhile); the first call into the services waits for it.
    InBackground,
    // Connects now and returns once the system's devices are listed, or found unreachable: a
    // command needs the lists at once. A server that does not answer within 2 s is taken as one
    // that is not there.
    Settled,
};

std::unique_ptr<CombinedServices>
MakeEditorMidi(SystemMidiStart start, MidiSystemChoice choice = MidiSystemChoice::Automatic);

// The services of choice in place of midi's system ones, made in the background as at start
// (the first call waits for them). The caller has closed the system's devices.
void SwitchEditorMidi(CombinedServices &midi, MidiSystemChoice choice);
