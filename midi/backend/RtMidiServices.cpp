#include "midi/backend/RtMidiServices.h"

#include "midi/backend/AlsaSequencerProbe.h"
#include "midi/backend/JackClient.h"
#include "midi/backend/JackMidiPorts.h"
#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiOutputSender.h"
#include "midi/backend/RtMidiPorts.h"

#include <rtmidi/RtMidi.h>

// Destruction order matters: the sender thread goes before the wire it writes to.
struct RtMidiServices::Output
{
    std::unique_ptr<MidiWire> wire;
    std::unique_ptr<MidiOutputSender> sender;
};

// The source that feeds the delivery goes first, so that nothing calls it any more.
struct RtMidiServices::Input
{
    std::unique_ptr<MidiInputDelivery> delivery;
    std::unique_ptr<JackMidiInPort> jackPort;
    std::unique_ptr<RtMidiInSource> rtSource;

    void stopSource()
    {
        jackPort.reset();
        rtSource.reset();
    }
};

const char *RtMidiServices::clientName()
{
    return "Torvane Editor";
}

// No system port name lacks the colon between client and port, so this one never hides one.
const char *RtMidiServices::mapperName()
{
    return "MIDI Mapper";
}

RtMidiServices::RtMidiServices(System preferred)
{
    const auto tryJack = [this] {
        jack_ = JackClient::connect(clientName());
        if (jack_)
            system_ = System::Jack;
        return bool(jack_);
    };
#if defined(__linux__)
    const auto tryAlsa = [this] {
        if (!alsaSequencerOpens())
            return false;
        startRtMidi(RtMidi::LINUX_ALSA);
        return system_ == System::Alsa;
    };
    switch (preferred) {
    case System::Automatic:
        // RtMidi's own choice does not fall back from a failing ALSA to JACK, so we choose.
        if (!tryAlsa())
            tryJack();
        break;
    case System::Alsa:
        tryAlsa();
        break;
    case System::Jack:
        tryJack();
        break;
    case System::Native:
    case System::None:
        break;
    }
#else
    if (preferred == System::Jack)
        tryJack();
    else if (preferred == System::Automatic || preferred == System::Native)
        startRtMidi(RtMidi::UNSPECIFIED);
#endif
}

void RtMidiServices::startRtMidi(int api)
{
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::Api(api), clientName());
        auto in = std::make_unique<RtMidiIn>(RtMidi::Api(api), clientName());
        out->setErrorCallback([](RtMidiError::Type, const std::string &, void *) {});
        in->setErrorCallback([](RtMidiError::Type, const std::string &, void *) {});
        rtApi_ = int(out->getCurrentApi());
        system_ = rtApi_ == RtMidi::LINUX_ALSA ? System::Alsa : System::Native;
        outLister_ = std::move(out);
        inLister_ = std::move(in);
    } catch (const RtMidiError &) {
        system_ = System::None;
    }
}

RtMidiServices::~RtMidiServices()
{
    // Inputs first: with several clients of one server, tearing down an output before an input
    // has been seen to crash inside libjack.
    while (!inputs_.empty()) {
        Input &in = *inputs_.begin()->second;
        in.stopSource();
        in.delivery->reset();
        inputs_.erase(inputs_.begin());
    }
    while (!outputs_.empty()) {
        Output &out = *outputs_.begin()->second;
        out.sender->close();
        outputs_.erase(outputs_.begin());
    }
    inLister_.reset();
    outLister_.reset();
    // Closing a client of a server that is alive but frozen would wait until it goes on: such
    // a client is left open, and its object alive for the callbacks libjack may still make.
    if (jack_ && jack_->running() && !jack_->responsive()) [[maybe_unused]]
        JackClient *leftOpen = jack_.release();
    jack_.reset();
}

std::string RtMidiServices::systemName() const
{
    switch (system_) {
    case System::Jack:
        return "JACK";
    case System::Alsa:
    case System::Native:
        return RtMidi::getApiDisplayName(RtMidi::Api(rtApi_));
    default:
        return "none";
    }
}

bool RtMidiServices::systemRunning() const
{
    if (system_ == System::Jack)
        return jack_->running();
    return system_ != System::None;
}

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

// A JACK server that went away may be started again. Once none of our ports is left on the
// client of the server that died, a new client is tried, so that the next listing and open
// (a device change by the user) reach the new server. While no server runs the attempt fails
// at once and the last device list stays, so device numbers do not move.
void RtMidiServices::reconnectIfServerCameBack()
{
    if (system_ != System::Jack || jack_->running() || !outputs_.empty() || !inputs_.empty())
        return;
    std::unique_ptr<JackClient> fresh = JackClient::connect(clientName());
    if (!fresh)
        return;
    ParkDeadClient(std::move(jack_));
    jack_ = std::move(fresh);
    outputsListed_ = false;
    inputsListed_ = false;
}

const std::vector<std::string> &RtMidiServices::outputNames(bool refresh)
{
    if (refresh)
        reconnectIfServerCameBack();
    if (refresh || !outputsListed_) {
        // A dead JACK server keeps the last list, so device numbers stay as they were.
        if (system_ == System::Jack && jack_->running())
            outputNames_ = jack_->midiPorts(JackClient::PortFlow::Sink);
        else if (outLister_)
            outputNames_ = rtMidiPortNames(*outLister_, clientName());
        outputsListed_ = true;
    }
    return outputNames_;
}

const std::vector<std::string> &RtMidiServices::inputNames(bool refresh)
{
    if (refresh)
        reconnectIfServerCameBack();
    if (refresh || !inputsListed_) {
        if (system_ == System::Jack && jack_->running())
            inputNames_ = jack_->midiPorts(JackClient::PortFlow::Source);
        else if (inLister_)
            inputNames_ = rtMidiPortNames(*inLister_, clientName());
        inputsListed_ = true;
    }
    return inputNames_;
}

RtMidiServices::Output *RtMidiServices::output(MidiHandle handle)
{
    const auto it = outputs_.find(handle);
    return it == outputs_.end() ? nullptr : it->second.get();
}

RtMidiServices::Input *RtMidiServices::input(MidiHandle handle)
{
    const auto it = inputs_.find(handle);
    return it == inputs_.end() ? nullptr : it->second.get();
}

std::uint64_t RtMidiServices::inputClock() const
{
    return system_ == System::Jack ? jack_->now() : RtMidiInSource::now();
}

// ---- outputs ----

std::uint32_t RtMidiServices::outputDeviceCount()
{
    return std::uint32_t(outputNames(true).size());
}

MidiResult RtMidiServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
{
    const auto &names = outputNames(false);
    if (deviceId == kMapperId) {
        caps = MidiOutCaps{};
        caps.name = mapperName();
        caps.technology = MidiTechMapper;
        caps.channelMask = 0xFFFF;
        return MidiOk;
    }
    if (deviceId < 0 || std::size_t(deviceId) >= names.size())
        return MidiErrBadDeviceId;
    caps = MidiOutCaps{};
    caps.name = names[std::size_t(deviceId)];
    caps.technology = MidiTechPort;
    caps.channelMask = 0xFFFF;
    return MidiOk;
}

MidiResult RtMidiServices::openOutput(MidiHandle &handle, int deviceId,
                                      MidiCallbackFunction callback, std::uintptr_t instance)
{
    const auto &names = outputNames(false);
    // The mapper routes to the first system output, as long as there is one.
    if (deviceId == kMapperId)
        deviceId = names.empty() ? kMapperId : 0;
    if (deviceId == kMapperId)
        return MidiErrNoDriver;
    if (deviceId < 0 || std::size_t(deviceId) >= names.size())
        return MidiErrBadDeviceId;
    if (!callback)
        return MidiErrInvalidParam;
    if (!systemRunning())
        return MidiErrSystemNotRunning;
    const std::string &name = names[std::size_t(deviceId)];
    MidiResult result = MidiErrNotEnabled;
    auto out = std::make_unique<Output>();
    if (system_ == System::Jack)
        out->wire = JackMidiOutPort::open(*jack_, name, result);
    else
        out->wire = RtMidiOutWire::open(RtMidi::Api(rtApi_), clientName(), name, result);
    if (!out->wire)
        return result;
    const MidiHandle newHandle = ++lastHandle_;
    out->sender = std::make_unique<MidiOutputSender>(*out->wire, newHandle, callback, instance);
    outputs_.emplace(newHandle, std::move(out));
    handle = newHandle;
    return MidiOk;
}

MidiResult RtMidiServices::closeOutput(MidiHandle handle)
{
    Output *out = output(handle);
    if (!out)
        return MidiErrInvalidHandle;
    // Lets every queued message leave (bounded), hands back what could not, ends the thread.
    out->sender->close();
    outputs_.erase(handle);
    return MidiOk;
}

MidiResult RtMidiServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    Output *out = output(handle);
    return out ? out->sender->sendShort(word) : MidiErrInvalidHandle;
}

MidiResult RtMidiServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return output(handle) ? prepareHeader(handle, header) : MidiErrInvalidHandle;
}

MidiResult RtMidiServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    Output *out = output(handle);
    if (!out)
        return MidiErrInvalidHandle;
    if (const MidiResult result = checkHeaderQueueable(handle, header); result != MidiOk)
        return result;
    return out->sender->sendLong(header);
}

MidiResult RtMidiServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return output(handle) ? unprepareHeader(handle, header) : MidiErrInvalidHandle;
}

// ---- inputs ----

std::uint32_t RtMidiServices::inputDeviceCount()
{
    return std::uint32_t(inputNames(true).size());
}

MidiResult RtMidiServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    const auto &names = inputNames(false);
    if (deviceId < 0 || std::size_t(deviceId) >= names.size())
        return MidiErrBadDeviceId;
    caps = MidiInCaps{};
    caps.name = names[std::size_t(deviceId)];
    return MidiOk;
}

MidiResult RtMidiServices::openInput(MidiHandle &handle, int deviceId,
                                     MidiCallbackFunction callback, std::uintptr_t instance)
{
    const auto &names = inputNames(false);
    if (deviceId < 0 || std::size_t(deviceId) >= names.size())
        return MidiErrBadDeviceId;
    if (!callback)
        return MidiErrInvalidParam;
    if (!systemRunning())
        return MidiErrSystemNotRunning;
    const std::string &name = names[std::size_t(deviceId)];
    const MidiHandle newHandle = lastHandle_ + 1;
    auto in = std::make_unique<Input>();
    in->delivery = std::make_unique<MidiInputDelivery>(newHandle, callback, instance);
    MidiResult result = MidiErrNotEnabled;
    if (system_ == System::Jack) {
        in->jackPort = JackMidiInPort::open(*jack_, name, *in->delivery, result);
    } else {
        in->rtSource =
            RtMidiInSource::open(RtMidi::Api(rtApi_), clientName(), name, *in->delivery, result);
    }
    if (!in->jackPort && !in->rtSource)
        return result;
    lastHandle_ = newHandle;
    inputs_.emplace(newHandle, std::move(in));
    handle = newHandle;
    return MidiOk;
}

MidiResult RtMidiServices::closeInput(MidiHandle handle)
{
    Input *in = input(handle);
    if (!in)
        return MidiErrInvalidHandle;
    if (in->delivery->buffersHeld() != 0)
        return MidiErrStillPlaying;
    in->stopSource();
    inputs_.erase(handle);
    return MidiOk;
}

MidiResult RtMidiServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return input(handle) ? prepareHeader(handle, header) : MidiErrInvalidHandle;
}

MidiResult RtMidiServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    Input *in = input(handle);
    if (!in)
        return MidiErrInvalidHandle;
    if (const MidiResult result = checkHeaderQueueable(handle, header); result != MidiOk)
        return result;
    return in->delivery->addBuffer(header);
}

MidiResult RtMidiServices::startInput(MidiHandle handle)
{
    Input *in = input(handle);
    if (!in)
        return MidiErrInvalidHandle;
    if (!systemRunning())
        return MidiErrSystemNotRunning;
    in->delivery->start(inputClock());
    return MidiOk;
}

MidiResult RtMidiServices::resetInput(MidiHandle handle)
{
    Input *in = input(handle);
    if (!in)
        return MidiErrInvalidHandle;
    in->delivery->reset();
    return MidiOk;
}

MidiResult RtMidiServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return input(handle) ? unprepareHeader(handle, header) : MidiErrInvalidHandle;
}
