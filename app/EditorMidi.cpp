#include "app/EditorMidi.h"

#include "midi/backend/DeferredServices.h"
#include "midi/backend/system/SystemMidiServices.h"

#include <chrono>

std::unique_ptr<CombinedServices> MakeEditorMidi(SystemMidiStart start)
{
    std::unique_ptr<MidiServices> system;
    if (start == SystemMidiStart::InBackground) {
        // Connecting (a JACK client: the handshake, its shared memory mapped and locked) takes
        // about as long as building the main window: the two overlap.
        system = std::make_unique<DeferredServices>(
            [] { return std::make_unique<SystemMidiServices>(); });
    } else {
        auto settled = std::make_unique<SystemMidiServices>();
        settled->waitUntilSettled(std::chrono::seconds(2));
        system = std::move(settled);
    }
    return std::make_unique<CombinedServices>(std::move(system));
}
