#pragma once
// The system's MIDI devices behind the MidiServices interface.
//
// The MIDI system is chosen once, at construction (MidiSystem): on Linux the ALSA sequencer when
// it opens, else a running JACK server, else none (no system devices; that is not an error).
// Elsewhere RtMidi's own system API (WinMM, CoreMIDI), reached through RtMidi. The ALSA sequencer
// is reached through one client of our own (AlsaSeqClient), JACK through a libjack client of our
// own (JackClient), which also watches the server: RtMidi's JACK path cannot tell when the server
// dies, then spins in sendMessage, drops what does not fit one cycle, allocates on the real-time
// thread and crashes now and then when its clients are closed in the wrong order.
//
// Output device -1 is a mapper that routes to the first system output. It is there so that a
// search by name, which asks the mapper first, finds the devices after it; its name is never a
// system port's.
//
// Device numbers index the list made by the latest outputDeviceCount / inputDeviceCount (made
// on first use otherwise), and a device is opened by its exact name from that list. Names are
// the system's own port names, whole. Our own ports are never listed. The lists follow the
// system live: the change listener hears when to list again. A JACK device opens at once and is
// connected on the session's thread; what is sent meanwhile waits for the connection (a few
// seconds at most). Its health says whether it is connected, and when its port or the whole
// server goes, or a message sent to it did not arrive, every send fails with the reason
// (MidiErrNotConnected, MidiErrSystemNotRunning, MidiErrSystemNotResponding).
//
// Threads: the MidiServices methods run on the caller's (GUI) thread and never wait on a MIDI
// server. Each open output has a sender thread (MidiOutputSender) that writes its messages in
// order and reports OutDone; input callbacks come from the system's thread (MidiInputDelivery);
// the listener is told on the system's threads.
#include "midi/backend/MidiServices.h"
#include "midi/backend/system/MidiSystem.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class SystemMidiServices final : public MidiServices
{
public:
    using System = MidiSystem::Kind;

    // Automatic picks as described above; the others insist on one system (tests use Jack) and
    // give no devices when it is not available.
    explicit SystemMidiServices(System preferred = System::Automatic);
    // Closes what is still open, inputs before outputs.
    ~SystemMidiServices() override;

    SystemMidiServices(const SystemMidiServices &) = delete;
    SystemMidiServices &operator=(const SystemMidiServices &) = delete;

    // The system in use (never Automatic).
    System system() const { return system_.kind(); }
    // Waits until the system's first connection attempt has ended (for a command line, which
    // needs the lists before it goes on; a window does not wait). False when the limit passed.
    bool waitUntilSettled(std::chrono::milliseconds limit) const
    {
        return system_.waitUntilSettled(limit);
    }

    // The name our client and ports carry in the MIDI system.
    static const char *clientName();
    static const char *mapperName();
    static constexpr int kMapperId = -1;

    std::uint32_t outputDeviceCount() override;
    MidiResult outputDeviceCaps(int deviceId, MidiOutCaps &caps) override;
    MidiResult openOutput(MidiHandle &handle, int deviceId, MidiCallbackFunction callback,
                          std::uintptr_t instance) override;
    MidiResult closeOutput(MidiHandle handle) override;
    MidiResult sendShortMessage(MidiHandle handle, std::uint32_t word) override;
    MidiResult prepareOutputHeader(MidiHandle handle, MidiHeader *header) override;
    MidiResult sendLongMessage(MidiHandle handle, MidiHeader *header) override;
    MidiResult unprepareOutputHeader(MidiHandle handle, MidiHeader *header) override;

    std::uint32_t inputDeviceCount() override;
    MidiResult inputDeviceCaps(int deviceId, MidiInCaps &caps) override;
    MidiResult openInput(MidiHandle &handle, int deviceId, MidiCallbackFunction callback,
                         std::uintptr_t instance) override;
    MidiResult closeInput(MidiHandle handle) override;
    MidiResult prepareInputHeader(MidiHandle handle, MidiHeader *header) override;
    MidiResult addInputBuffer(MidiHandle handle, MidiHeader *header) override;
    MidiResult startInput(MidiHandle handle) override;
    MidiResult resetInput(MidiHandle handle) override;
    MidiResult unprepareInputHeader(MidiHandle handle, MidiHeader *header) override;

    void setChangeListener(MidiChangeListener *listener) override;
    MidiSystemStatus systemStatus() const override { return system_.status(); }
    MidiResult outputHealth(MidiHandle handle) const override;
    MidiResult inputHealth(MidiHandle handle) const override;

private:
    struct Output;
    struct Input;
    using Outputs = std::map<MidiHandle, std::unique_ptr<Output>>;
    using Inputs = std::map<MidiHandle, std::unique_ptr<Input>>;

    const std::vector<std::string> &names(MidiSystem::Flow flow, bool refresh);
    // The name of device deviceId for an open with callback, or why it cannot be opened.
    MidiResult nameToOpen(MidiSystem::Flow flow, int deviceId, MidiCallbackFunction callback,
                          std::string &name);
    // act(port) for the open port of handle; MidiErrInvalidHandle when there is none.
    template <class Map, class Act>
    static MidiResult withPort(Map &ports, MidiHandle handle, Act act);
    // The queue rule's check on the port of handle, then queue(port).
    template <class Map, class Queue>
    static MidiResult queueOn(Map &ports, MidiHandle handle, MidiHeader *header, Queue queue);

    void changed();
    // Marks the open ports whose device went away, and connects those of flow whose device is
    // listed again anew.
    void followDepartures(MidiSystem::Flow flow);
    // Why a device cannot be opened or started now, or MidiOk.
    MidiResult systemHealth() const;
    MidiResult listedHealth(MidiSystem::Flow flow, const std::string &name,
                            MidiResult portHealth) const;

    std::mutex listenerMutex_;
    MidiChangeListener *listener_ = nullptr;
    MidiSystem system_;
    Outputs outputs_;
    Inputs inputs_;
    MidiHandle lastHandle_ = NoMidiHandle;
};
