// SystemMidiServices: the choice of the MIDI system, its state as the user is shown it, and the
// health of the devices opened on it.
#include "midi/backend/system/SystemMidiServices.h"

#include "midi/backend/MonotonicClock.h"
#include "midi/backend/rtmidi/RtMidiPorts.h"
#include "midi/backend/system/SystemOpenDevices.h"
#if TORVANE_MIDI_ALSA
#include "midi/backend/alsa/AlsaAnnouncements.h"
#include "midi/backend/alsa/AlsaSeqClient.h"
#include "midi/backend/alsa/AlsaSequencer.h"
#endif
#if TORVANE_MIDI_JACK
#include "midi/backend/jack/JackClient.h"
#include "midi/backend/jack/JackSession.h"
#endif

#include <rtmidi/RtMidi.h>

#include <algorithm>

const char *SystemMidiServices::clientName()
{
    return "Torvane Editor";
}

// No system port name lacks the colon between client and port, so this one never hides one.
const char *SystemMidiServices::mapperName()
{
    return "MIDI Mapper";
}

SystemMidiServices::SystemMidiServices(MidiSystem preferred)
{
#if TORVANE_MIDI_JACK
    // JACK is the system from here on, with or without a server: the session waits for one.
    const auto tryJack = [this] {
        jack_ = std::make_unique<JackSession>(clientName(), [this] { changed(); });
        kind_ = MidiSystem::Jack;
    };
#else
    const auto tryJack = [] {};
#endif
#if TORVANE_MIDI_ALSA
    const auto tryAlsa = [this] {
        seq_ = AlsaSeqClient::open(clientName());
        if (!seq_)
            return false;
        kind_ = MidiSystem::Alsa;
        // Its thread reads everything that comes to our client, our inputs' messages too.
        alsa_ = std::make_unique<AlsaAnnouncements>(makeAlsaSequencer(*seq_), clientName(),
                                                    [this] { changed(); });
        return true;
    };
    switch (preferred) {
    case MidiSystem::Automatic:
        // The sequencer when it opens, JACK otherwise.
        if (!tryAlsa())
            tryJack();
        break;
    case MidiSystem::Alsa:
        tryAlsa();
        break;
    case MidiSystem::Jack:
        tryJack();
        break;
    case MidiSystem::Native:
    case MidiSystem::None:
        break;
    }
#else
    if (preferred == MidiSystem::Jack)
        tryJack();
    else if (preferred == MidiSystem::Automatic || preferred == MidiSystem::Native)
        startRtMidi(RtMidi::UNSPECIFIED);
#endif
}

void SystemMidiServices::startRtMidi(int api)
{
    const auto quiet = [](RtMidiError::Type, const std::string &, void *) {};
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::Api(api), clientName());
        auto in = std::make_unique<RtMidiIn>(RtMidi::Api(api), clientName());
        out->setErrorCallback(quiet);
        in->setErrorCallback(quiet);
        rtApi_ = int(out->getCurrentApi());
        kind_ = MidiSystem::Native;
        outLister_ = std::move(out);
        inLister_ = std::move(in);
        // The poller lists on its own thread, with listers of its own.
        auto pollOut = std::make_shared<RtMidiOut>(RtMidi::Api(rtApi_), clientName());
        auto pollIn = std::make_shared<RtMidiIn>(RtMidi::Api(rtApi_), clientName());
        pollOut->setErrorCallback(quiet);
        pollIn->setErrorCallback(quiet);
        poller_ = std::make_unique<PortListPoller>(
            [pollOut, pollIn] {
                return PortListPoller::Lists{rtMidiPortNames(*pollOut, clientName()),
                                             rtMidiPortNames(*pollIn, clientName())};
            },
            [this] { changed(); });
    } catch (const RtMidiError &) {
        if (kind_ != MidiSystem::Native)
            kind_ = MidiSystem::None;
    }
}

SystemMidiServices::~SystemMidiServices()
{
    setChangeListener(nullptr);
    // Inputs first: with several clients of one server, tearing down an output before an input
    // has been seen to crash inside libjack.
    while (!inputs_.empty()) {
        Input &in = *inputs_.begin()->second;
        in.source.reset();
        in.delivery->reset();
        inputs_.erase(inputs_.begin());
    }
    while (!outputs_.empty()) {
        Output &out = *outputs_.begin()->second;
        out.sender->close();
        outputs_.erase(outputs_.begin());
    }
    poller_.reset();
#if TORVANE_MIDI_ALSA
    alsa_.reset();
    seq_.reset();
#endif
    inLister_.reset();
    outLister_.reset();
}

bool SystemMidiServices::waitUntilSettled(std::chrono::milliseconds limit) const
{
#if TORVANE_MIDI_JACK
    return kind_ != MidiSystem::Jack || jack_->waitUntilSettled(limit);
#else
    (void)limit;
    return true;
#endif
}

void SystemMidiServices::changed()
{
    const std::lock_guard lock(listenerMutex_);
    if (listener_)
        listener_->midiChanged();
}

void SystemMidiServices::setChangeListener(MidiChangeListener *listener)
{
    const std::lock_guard lock(listenerMutex_);
    listener_ = listener;
}

MidiSystemStatus SystemMidiServices::systemStatus() const
{
    switch (kind_) {
#if TORVANE_MIDI_JACK
    case MidiSystem::Jack: {
        MidiSystemStatus status;
        status.system = MidiSystem::Jack;
        status.name = JackSession::pipeWire() ? "PipeWire's JACK" : "JACK";
        switch (jack_->state()) {
        case JackSession::State::Connecting:
            status.state = MidiSystemStatus::Starting;
            break;
        case JackSession::State::NotRunning:
            status.state = MidiSystemStatus::NotRunning;
            break;
        case JackSession::State::Running:
            status.state = MidiSystemStatus::Running;
            break;
        case JackSession::State::NotResponding:
            status.state = MidiSystemStatus::NotResponding;
            break;
        }
        return status;
    }
#endif
#if TORVANE_MIDI_ALSA
    case MidiSystem::Alsa:
        // The watcher's thread is our client's one reader: without it the inputs hear nothing
        // and the lists stand still, which the status line then says.
        return {"ALSA sequencer",
                alsa_ && alsa_->watching() ? MidiSystemStatus::Running
                                           : MidiSystemStatus::NotResponding,
                MidiSystem::Alsa};
#endif
    case MidiSystem::Native:
        // How Windows users know it, rather than RtMidi's "Windows MultiMedia".
        if (rtApi_ == RtMidi::WINDOWS_MM)
            return {"Windows MIDI", MidiSystemStatus::Running, MidiSystem::Native};
        return {RtMidi::getApiDisplayName(RtMidi::Api(rtApi_)), MidiSystemStatus::Running,
                MidiSystem::Native};
    default:
        return {};
    }
}

std::uint64_t SystemMidiServices::now() const
{
#if TORVANE_MIDI_JACK
    if (kind_ == MidiSystem::Jack)
        return JackClient::now();
#endif
    return monotonicMicroseconds();
}

MidiResult SystemMidiServices::systemHealth() const
{
    switch (systemStatus().state) {
    case MidiSystemStatus::NotRunning:
        return MidiErrSystemNotRunning;
    case MidiSystemStatus::NotResponding:
        return MidiErrSystemNotResponding;
    default:
        return MidiOk;
    }
}

MidiResult SystemMidiServices::listedHealth(Flow flow, const std::string &name,
                                            MidiResult portHealth) const
{
    // A JACK port knows whether it is connected; an RtMidi one does not, but a device that its
    // system no longer lists is connected to nothing.
    if (portHealth != MidiOk || kind_ == MidiSystem::Jack)
        return portHealth;
    const std::vector<std::string> &list = names_[flow];
    return std::find(list.begin(), list.end(), name) == list.end() ? MidiErrNotConnected : MidiOk;
}

MidiResult SystemMidiServices::outputHealth(MidiHandle handle) const
{
    const auto it = outputs_.find(handle);
    if (it == outputs_.end())
        return MidiErrInvalidHandle;
    if (it->second->away)
        return MidiErrNotConnected;
    return listedHealth(Out, it->second->name, it->second->sender->health());
}

MidiResult SystemMidiServices::inputHealth(MidiHandle handle) const
{
    const auto it = inputs_.find(handle);
    if (it == inputs_.end())
        return MidiErrInvalidHandle;
    if (it->second->away)
        return MidiErrNotConnected;
    return listedHealth(In, it->second->name, it->second->source->health());
}
