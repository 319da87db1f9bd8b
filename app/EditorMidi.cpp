#include "app/EditorMidi.h"

#include "midi/backend/system/SystemMidiServices.h"

#include <chrono>
#include <future>
#include <system_error>

namespace {

// Connecting (a JACK client: the handshake, its shared memory mapped and locked) takes about as
// long as building the main window: the two overlap, and the first call into the services
// waits for the connection.
CombinedServices::PendingServices StartSystemMidi(MidiSystemChoice choice)
{
    auto make = [choice]() -> std::unique_ptr<MidiServices> {
        return std::make_unique<SystemMidiServices>(choice);
    };
    try {
        return std::async(std::launch::async, make);
    } catch (const std::system_error &) {
        // No thread to be had: the first call makes the services on its own thread instead.
        return std::async(std::launch::deferred, make);
    }
}

} // namespace

std::unique_ptr<CombinedServices> MakeEditorMidi(SystemMidiStart start, MidiSystemChoice choice)
{
    if (start == SystemMidiStart::InBackground)
        return std::make_unique<CombinedServices>(StartSystemMidi(choice));
    auto settled = std::make_unique<SystemMidiServices>(choice);
    settled->waitUntilSettled(std::chrono::seconds(2));
    return std::make_unique<CombinedServices>(std::move(settled));
}

void SwitchEditorMidi(CombinedServices &midi, MidiSystemChoice choice)
{
    // The old services go first: a JACK client or sequencer client of ours is never doubled.
    midi.replaceSystem(nullptr);
    midi.replaceSystem(StartSystemMidi(choice));
}
