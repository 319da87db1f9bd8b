#include "midi/backend/RtMidiServices.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiOutputSender.h"

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
    std::unique_ptr<MidiSource> source;
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

RtMidiServices::RtMidiServices(System preferred) : system_(preferred, clientName()) {}

RtMidiServices::~RtMidiServices()
{
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
}

const std::vector<std::string> &RtMidiServices::names(MidiSystem::Flow flow, bool refresh)
{
    return system_.ports(flow, refresh, !outputs_.empty() || !inputs_.empty());
}

MidiResult RtMidiServices::nameToOpen(MidiSystem::Flow flow, int deviceId,
                                      MidiCallbackFunction callback, std::string &name)
{
    const std::vector<std::string> &list = names(flow, false);
    if (deviceId < 0 || std::size_t(deviceId) >= list.size())
        return MidiErrBadDeviceId;
    if (!callback)
        return MidiErrInvalidParam;
    if (!systemRunning())
        return MidiErrSystemNotRunning;
    name = list[std::size_t(deviceId)];
    return MidiOk;
}

template <class Map>
typename Map::mapped_type::pointer RtMidiServices::find(Map &map, MidiHandle handle)
{
    const auto it = map.find(handle);
    return it == map.end() ? nullptr : it->second.get();
}

// ---- outputs ----

std::uint32_t RtMidiServices::outputDeviceCount()
{
    return std::uint32_t(names(MidiSystem::Out, true).size());
}

MidiResult RtMidiServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
{
    const auto &list = names(MidiSystem::Out, false);
    const bool mapper = deviceId == kMapperId;
    if (!mapper && (deviceId < 0 || std::size_t(deviceId) >= list.size()))
        return MidiErrBadDeviceId;
    caps = MidiOutCaps{};
    caps.name = mapper ? mapperName() : list[std::size_t(deviceId)];
    caps.technology = mapper ? MidiTechMapper : MidiTechPort;
    caps.channelMask = 0xFFFF;
    return MidiOk;
}

MidiResult RtMidiServices::openOutput(MidiHandle &handle, int deviceId,
                                      MidiCallbackFunction callback, std::uintptr_t instance)
{
    // The mapper routes to the first system output, as long as there is one.
    if (deviceId == kMapperId) {
        if (names(MidiSystem::Out, false).empty())
            return MidiErrNoDriver;
        deviceId = 0;
    }
    std::string name;
    if (const MidiResult result = nameToOpen(MidiSystem::Out, deviceId, callback, name))
        return result;
    MidiResult result = MidiErrNotEnabled;
    auto out = std::make_unique<Output>();
    out->wire = system_.openOutput(name, result);
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
    Output *out = find(outputs_, handle);
    if (!out)
        return MidiErrInvalidHandle;
    // Lets every queued message leave (bounded), hands back what could not, ends the thread.
    out->sender->close();
    outputs_.erase(handle);
    return MidiOk;
}

MidiResult RtMidiServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    Output *out = find(outputs_, handle);
    return out ? out->sender->sendShort(word) : MidiErrInvalidHandle;
}

MidiResult RtMidiServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return find(outputs_, handle) ? prepareHeader(handle, header) : MidiErrInvalidHandle;
}

MidiResult RtMidiServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    Output *out = find(outputs_, handle);
    if (!out)
        return MidiErrInvalidHandle;
    if (const MidiResult result = checkHeaderQueueable(handle, header); result != MidiOk)
        return result;
    return out->sender->sendLong(header);
}

MidiResult RtMidiServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return find(outputs_, handle) ? unprepareHeader(handle, header) : MidiErrInvalidHandle;
}

// ---- inputs ----

std::uint32_t RtMidiServices::inputDeviceCount()
{
    return std::uint32_t(names(MidiSystem::In, true).size());
}

MidiResult RtMidiServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    const auto &list = names(MidiSystem::In, false);
    if (deviceId < 0 || std::size_t(deviceId) >= list.size())
        return MidiErrBadDeviceId;
    caps = MidiInCaps{};
    caps.name = list[std::size_t(deviceId)];
    return MidiOk;
}

MidiResult RtMidiServices::openInput(MidiHandle &handle, int deviceId,
                                     MidiCallbackFunction callback, std::uintptr_t instance)
{
    std::string name;
    if (const MidiResult result = nameToOpen(MidiSystem::In, deviceId, callback, name))
        return result;
    const MidiHandle newHandle = lastHandle_ + 1;
    auto in = std::make_unique<Input>();
    in->delivery = std::make_unique<MidiInputDelivery>(newHandle, callback, instance);
    MidiResult result = MidiErrNotEnabled;
    in->source = system_.openInput(name, *in->delivery, result);
    if (!in->source)
        return result;
    lastHandle_ = newHandle;
    inputs_.emplace(newHandle, std::move(in));
    handle = newHandle;
    return MidiOk;
}

MidiResult RtMidiServices::closeInput(MidiHandle handle)
{
    Input *in = find(inputs_, handle);
    if (!in)
        return MidiErrInvalidHandle;
    if (in->delivery->buffersHeld() != 0)
        return MidiErrStillPlaying;
    in->source.reset();
    inputs_.erase(handle);
    return MidiOk;
}

MidiResult RtMidiServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return find(inputs_, handle) ? prepareHeader(handle, header) : MidiErrInvalidHandle;
}

MidiResult RtMidiServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    Input *in = find(inputs_, handle);
    if (!in)
        return MidiErrInvalidHandle;
    if (const MidiResult result = checkHeaderQueueable(handle, header); result != MidiOk)
        return result;
    return in->delivery->addBuffer(header);
}

MidiResult RtMidiServices::startInput(MidiHandle handle)
{
    Input *in = find(inputs_, handle);
    if (!in)
        return MidiErrInvalidHandle;
    if (!systemRunning())
        return MidiErrSystemNotRunning;
    in->delivery->start(system_.now());
    return MidiOk;
}

MidiResult RtMidiServices::resetInput(MidiHandle handle)
{
    Input *in = find(inputs_, handle);
    if (!in)
        return MidiErrInvalidHandle;
    in->delivery->reset();
    return MidiOk;
}

MidiResult RtMidiServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return find(inputs_, handle) ? unprepareHeader(handle, header) : MidiErrInvalidHandle;
}
