#include "midi/backend/system/MidiSystem.h"

#include "midi/backend/DeviceName.h"
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiWire.h"
#include "midi/backend/MonotonicClock.h"
#include "midi/backend/system/RtMidiPorts.h"
#if TORVANE_MIDI_ALSA
#include "midi/backend/alsa/AlsaAnnouncements.h"
#include "midi/backend/alsa/AlsaSeqClient.h"
#include "midi/backend/alsa/AlsaSeqPorts.h"
#endif
#if TORVANE_MIDI_JACK
#include "midi/backend/jack/JackMidiPorts.h"
#include "midi/backend/jack/JackSession.h"
#endif

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <cstdio>

MidiSystem::MidiSystem(Kind preferred, std::string clientName, std::function<void()> onChange)
    : clientName_(std::move(clientName))
{
#if TORVANE_MIDI_JACK
    // JACK is the system from here on, with or without a server: the session waits for one.
    const auto tryJack = [this, &onChange] {
        jack_ = std::make_unique<JackSession>(clientName_, std::move(onChange));
        kind_ = Kind::Jack;
    };
#else
    const auto tryJack = [] {};
#endif
#if TORVANE_MIDI_ALSA
    const auto tryAlsa = [this, &onChange] {
        seq_ = AlsaSeqClient::open(clientName_);
        if (!seq_)
            return false;
        kind_ = Kind::Alsa;
        // Its thread reads everything that comes to our client, our inputs' messages too.
        alsa_ = std::make_unique<AlsaAnnouncements>(makeAlsaSequencer(*seq_), clientName_,
                                                    std::move(onChange));
        return true;
    };
    switch (preferred) {
    case Kind::Automatic:
        // The sequencer when it opens, JACK otherwise.
        if (!tryAlsa())
            tryJack();
        break;
    case Kind::Alsa:
        tryAlsa();
        break;
    case Kind::Jack:
        tryJack();
        break;
    case Kind::Native:
    case Kind::None:
        break;
    }
#else
    if (preferred == Kind::Jack)
        tryJack();
    else if (preferred == Kind::Automatic || preferred == Kind::Native)
        startRtMidi(RtMidi::UNSPECIFIED, std::move(onChange));
#endif
}

void MidiSystem::startRtMidi(int api, std::function<void()> onChange)
{
    const auto quiet = [](RtMidiError::Type, const std::string &, void *) {};
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::Api(api), clientName_);
        auto in = std::make_unique<RtMidiIn>(RtMidi::Api(api), clientName_);
        out->setErrorCallback(quiet);
        in->setErrorCallback(quiet);
        rtApi_ = int(out->getCurrentApi());
        kind_ = Kind::Native;
        outLister_ = std::move(out);
        inLister_ = std::move(in);
        if (!onChange)
            return;
        // The poller lists on its own thread, with listers of its own.
        auto pollOut = std::make_shared<RtMidiOut>(RtMidi::Api(rtApi_), clientName_);
        auto pollIn = std::make_shared<RtMidiIn>(RtMidi::Api(rtApi_), clientName_);
        pollOut->setErrorCallback(quiet);
        pollIn->setErrorCallback(quiet);
        poller_ = std::make_unique<PortListPoller>(
            [pollOut, pollIn, client = clientName_] {
                return PortListPoller::Lists{rtMidiPortNames(*pollOut, client),
                                             rtMidiPortNames(*pollIn, client)};
            },
            std::move(onChange));
    } catch (const RtMidiError &) {
        if (kind_ != Kind::Native)
            kind_ = Kind::None;
    }
}

MidiSystem::~MidiSystem()
{
    poller_.reset();
#if TORVANE_MIDI_ALSA
    alsa_.reset();
    seq_.reset();
#endif
    inLister_.reset();
    outLister_.reset();
}

MidiSystemStatus MidiSystem::status() const
{
    switch (kind_) {
#if TORVANE_MIDI_JACK
    case Kind::Jack: {
        MidiSystemStatus status;
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
    case Kind::Alsa:
        // The watcher's thread is our client's one reader: without it the inputs hear nothing
        // and the lists stand still, which the status line then says.
        return {"ALSA sequencer", alsa_ && alsa_->watching() ? MidiSystemStatus::Running
                                                             : MidiSystemStatus::NotResponding};
#endif
    case Kind::Native:
        // How Windows users know it, rather than RtMidi's "Windows MultiMedia".
        if (rtApi_ == RtMidi::WINDOWS_MM)
            return {"Windows MIDI", MidiSystemStatus::Running};
        return {RtMidi::getApiDisplayName(RtMidi::Api(rtApi_)), MidiSystemStatus::Running};
    default:
        return {};
    }
}

bool MidiSystem::waitUntilSettled(std::chrono::milliseconds limit) const
{
#if TORVANE_MIDI_JACK
    return kind_ != Kind::Jack || jack_->waitUntilSettled(limit);
#else
    (void)limit;
    return true;
#endif
}

const std::vector<std::string> &MidiSystem::ports(Flow flow, bool refresh)
{
    if (refresh || !listed_[flow]) {
        names_[flow] = systemPorts(flow);
        listed_[flow] = true;
    }
    return names_[flow];
}

std::vector<std::string> MidiSystem::systemPorts(Flow flow)
{
#if TORVANE_MIDI_JACK
    if (kind_ == Kind::Jack)
        return jack_->ports(flow == Out ? JackSession::Flow::Sink : JackSession::Flow::Source);
#endif
#if TORVANE_MIDI_ALSA
    if (seq_)
        return shownNames(flow, seq_->portNames(flow == Out ? AlsaSeqClient::Role::Sending
                                                            : AlsaSeqClient::Role::Receiving));
#endif
    if (RtMidi *lister = flow == Out ? static_cast<RtMidi *>(outLister_.get())
                                     : static_cast<RtMidi *>(inLister_.get()))
        return shownNames(flow, rtMidiPortNames(*lister, clientName_));
    return {};
}

std::vector<std::string> MidiSystem::shownNames(Flow flow,
                                                const std::vector<std::string> &fullNames)
{
    if (kind_ != Kind::Alsa)
        return fullNames;
    // A port keeps the name it was first shown under for as long as it is listed: the chosen
    // device stays the one it was while a twin of its name comes and goes. A port new to the
    // lists takes its name without the sequencer's numbers, or, while a twin holds that, the
    // lowest "name #2", "name #3" free: twins are told apart by the order they came in (kernel
    // devices: their cards' order), and a program that restarts under another client number
    // gets its name back.
    fullListed_[flow] = fullNames;
    const auto listedNow = [&](const std::string &full) {
        for (const std::vector<std::string> &listing : fullListed_)
            if (std::find(listing.begin(), listing.end(), full) != listing.end())
                return true;
        return false;
    };
    std::erase_if(labels_, [&](const auto &label) { return !listedNow(label.first); });
    const auto taken = [&](const std::string &shown) {
        return std::any_of(labels_.begin(), labels_.end(),
                           [&](const auto &label) { return label.second == shown; });
    };
    std::vector<std::string> shown;
    for (const std::string &full : fullNames) {
        auto [it, isNew] = labels_.try_emplace(full);
        const std::string name = WithoutSequencerAddress(full);
        for (int n = 1; isNew && it->second.empty(); ++n)
            if (const std::string label = n == 1 ? name : name + " #" + std::to_string(n);
                !taken(label))
                it->second = label;
        shown.push_back(it->second);
        fullNames_[it->second] = full;
    }
    return shown;
}

std::string MidiSystem::fullName(const std::string &name) const
{
    const auto it = fullNames_.find(name);
    return it == fullNames_.end() ? name : it->second;
}

std::unique_ptr<MidiWire> MidiSystem::openOutput(const std::string &name, MidiResult &result)
{
#if TORVANE_MIDI_JACK
    if (kind_ == Kind::Jack)
        return JackMidiOutPort::open(*jack_, name, result);
#endif
#if TORVANE_MIDI_ALSA
    if (seq_)
        return AlsaOutWire::open(seq_, clientName_ + " out", fullName(name), result);
#endif
    return RtMidiOutWire::open(RtMidi::Api(rtApi_), clientName_, name, result);
}

std::unique_ptr<MidiSource> MidiSystem::openInput(const std::string &name,
                                                  MidiInputDelivery &delivery, MidiResult &result)
{
#if TORVANE_MIDI_JACK
    if (kind_ == Kind::Jack)
        return JackMidiInPort::open(*jack_, name, delivery, result);
#endif
#if TORVANE_MIDI_ALSA
    if (seq_)
        return AlsaInSource::open(seq_, clientName_ + " in", fullName(name), delivery, result);
#endif
    return RtMidiInSource::open(RtMidi::Api(rtApi_), clientName_, name, delivery, result);
}

#if TORVANE_MIDI_ALSA
namespace {

// Whether the whole ALSA port name ("client:port C:P", the sequencer's address last) stands at
// the address.
bool AtAddress(const std::string &name, const AlsaEvent::Address &address)
{
    if (address.client < 0)
        return true;
    int client = -1;
    int port = -1;
    const std::size_t space = name.rfind(' ');
    if (space == std::string::npos ||
        std::sscanf(name.c_str() + space + 1, "%d:%d", &client, &port) != 2)
        return false;
    return client == address.client && (address.port < 0 || port == address.port);
}

} // namespace

std::vector<std::string> MidiSystem::departed(const std::vector<std::string> &names)
{
    std::vector<std::string> gone;
    if (!alsa_)
        return gone;
    for (const AlsaEvent::Address &address : alsa_->takeDepartures()) {
        for (const std::string &name : names) {
            if (AtAddress(fullName(name), address))
                gone.push_back(name);
        }
    }
    return gone;
}
#else
std::vector<std::string> MidiSystem::departed(const std::vector<std::string> &)
{
    return {};
}
#endif

// Only the sequencer tells of ports that went (departed), so only its ports are connected anew.
MidiResult MidiSystem::reconnect(MidiWire &wire, const std::string &name)
{
#if TORVANE_MIDI_ALSA
    if (auto *port = dynamic_cast<AlsaOutWire *>(&wire))
        return port->reconnect(fullName(name));
#endif
    (void)wire;
    (void)name;
    return MidiOk;
}

MidiResult MidiSystem::reconnect(MidiSource &source, const std::string &name)
{
#if TORVANE_MIDI_ALSA
    if (auto *port = dynamic_cast<AlsaInSource *>(&source))
        return port->reconnect(fullName(name));
#endif
    (void)source;
    (void)name;
    return MidiOk;
}

std::uint64_t MidiSystem::now() const
{
#if TORVANE_MIDI_JACK
    if (kind_ == Kind::Jack)
        return JackClient::now();
#endif
    return monotonicMicroseconds();
}
