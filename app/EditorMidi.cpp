#include "app/EditorMidi.h"

#include "midi/backend/DeferredServices.h"
#include "midi/backend/system/SystemMidiServices.h"

#include <chrono>

namespace {

std::unique_ptr<MidiServices> MakeSystemMidi(SystemMidiStart start, MidiSystemChoice choice)
{
    using System = SystemMidiServices::System;
    const System preferred = choice == MidiSystemChoice::Alsa   ? System::Alsa
                             : choice == MidiSystemChoice::Jack ? System::Jack
                                                                : System::Automatic;
    std::unique_ptr<MidiServices> system;
    if (start == SystemMidiStart::InBackground) {
        // Connecting (a JACK client: the handshake, its shared memory mapped and locked) takes
        // about as long as building the main window: the two overlap.
        system = std::make_unique<DeferredServices>(
            [preferred] { return std::make_unique<SystemMidiServices>(preferred); });
    } else {
        auto settled = std::make_unique<SystemMidiServices>(preferred);
        settled->waitUntilSettled(std::chrono::seconds(2));
        system = std::move(settled);
    }
    return system;
}

} // namespace

std::unique_ptr<CombinedServices> MakeEditorMidi(SystemMidiStart start, MidiSystemChoice choice)
{
    return std::make_unique<CombinedServices>(MakeSystemMidi(start, choice));
}

void SwitchEditorMidi(CombinedServices &midi, MidiSystemChoice choice)
{
    // The old services go first: a JACK client or sequencer client of ours is never doubled.
    midi.replaceSystem(nullptr);
    midi.replaceSystem(MakeSystemMidi(SystemMidiStart::InBackground, choice));
}
