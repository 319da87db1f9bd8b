#include "midi/backend/MidiSystem.h"

#include "midi/backend/AlsaSequencerProbe.h"
#include "midi/backend/JackClient.h"
#include "midi/backend/JackMidiPorts.h"
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiWire.h"
#include "midi/backend/RtMidiPorts.h"

#include <rtmidi/RtMidi.h>

namespace {

// A client of a JACK server that died is never closed: with libjack 1.9, closing it tears down
// the process-wide state that a newer client of the restarted server shares (that client then
// lists no ports), and it has been seen to crash once another client came and went. It is kept
// here, reachable, for the rest of the run; it costs a few kilobytes per server restart.
void ParkDeadClient(std::unique_ptr<JackClient> client)
{
    static auto *parked = new std::vector<std::unique_ptr<JackClient>>;
    parked->push_back(std::move(client));
}

} // namespace

MidiSystem::MidiSystem(Kind preferred, std::string clientName) : clientName_(std::move(clientName))
{
    const auto tryJack = [this] {
        jack_ = JackClient::connect(clientName_);
        if (jack_)
            kind_ = Kind::Jack;
        return bool(jack_);
    };
#if defined(__linux__)
    const auto tryAlsa = [this] {
        if (!alsaSequencerOpens())
            return false;
        startRtMidi(RtMidi::LINUX_ALSA);
        return kind_ == Kind::Alsa;
    };
    switch (preferred) {
    case Kind::Automatic:
        // RtMidi's own choice does not fall back from a failing ALSA to JACK, so we choose.
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
        startRtMidi(RtMidi::UNSPECIFIED);
#endif
}

void MidiSystem::startRtMidi(int api)
{
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::Api(api), clientName_);
        auto in = std::make_unique<RtMidiIn>(RtMidi::Api(api), clientName_);
        out->setErrorCallback([](RtMidiError::Type, const std::string &, void *) {});
        in->setErrorCallback([](RtMidiError::Type, const std::string &, void *) {});
        rtApi_ = int(out->getCurrentApi());
        kind_ = rtApi_ == RtMidi::LINUX_ALSA ? Kind::Alsa : Kind::Native;
        outLister_ = std::move(out);
        inLister_ = std::move(in);
    } catch (const RtMidiError &) {
        kind_ = Kind::None;
    }
}

MidiSystem::~MidiSystem()
{
    inLister_.reset();
    outLister_.reset();
    // Closing a client of a server that is alive but frozen would wait until it goes on: such
    // a client is left open, and its object alive for the callbacks libjack may still make.
    if (jack_ && jack_->running() && !jack_->responsive()) [[maybe_unused]]
        JackClient *leftOpen = jack_.release();
}

std::string MidiSystem::name() const
{
    switch (kind_) {
    case Kind::Jack:
        return "JACK";
    case Kind::Alsa:
    case Kind::Native:
        return RtMidi::getApiDisplayName(RtMidi::Api(rtApi_));
    default:
        return "none";
    }
}

bool MidiSystem::running() const
{
    if (kind_ == Kind::Jack)
        return jack_->running();
    return kind_ != Kind::None;
}

void MidiSystem::reconnectIfServerCameBack(bool oursOpen)
{
    if (kind_ != Kind::Jack || jack_->running() || oursOpen)
        return;
    std::unique_ptr<JackClient> fresh = JackClient::connect(clientName_);
    if (!fresh)
        return;
    ParkDeadClient(std::move(jack_));
    jack_ = std::move(fresh);
    listed_ = {};
}

const std::vector<std::string> &MidiSystem::ports(Flow flow, bool refresh, bool oursOpen)
{
    if (refresh)
        reconnectIfServerCameBack(oursOpen);
    if (refresh || !listed_[flow]) {
        // A dead JACK server keeps the last list, so device numbers stay as they were.
        if (kind_ == Kind::Jack && jack_->running())
            names_[flow] = jack_->midiPorts(flow == Out ? JackClient::PortFlow::Sink
                                                        : JackClient::PortFlow::Source);
        else if (RtMidi *lister = flow == Out ? static_cast<RtMidi *>(outLister_.get())
                                              : static_cast<RtMidi *>(inLister_.get()))
            names_[flow] = rtMidiPortNames(*lister, clientName_);
        listed_[flow] = true;
    }
    return names_[flow];
}

std::unique_ptr<MidiWire> MidiSystem::openOutput(const std::string &name, MidiResult &result)
{
    if (kind_ == Kind::Jack)
        return JackMidiOutPort::open(*jack_, name, result);
    return RtMidiOutWire::open(RtMidi::Api(rtApi_), clientName_, name, result);
}

std::unique_ptr<MidiSource> MidiSystem::openInput(const std::string &name,
                                                  MidiInputDelivery &delivery, MidiResult &result)
{
    if (kind_ == Kind::Jack)
        return JackMidiInPort::open(*jack_, name, delivery, result);
    return RtMidiInSource::open(RtMidi::Api(rtApi_), clientName_, name, delivery, result);
}

std::uint64_t MidiSystem::now() const
{
    return kind_ == Kind::Jack ? jack_->now() : RtMidiInSource::now();
}
