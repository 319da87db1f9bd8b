#include "midi/backend/system/SystemMidiServices.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiOutputSender.h"

#include <algorithm>

// The sender shares the wire: a sender thread that close had to leave writing keeps it.
struct SystemMidiServices::Output
{
    std::string name;
    bool away = false; // its device went: connected to nothing until it is back
    std::shared_ptr<MidiWire> wire;
    std::unique_ptr<MidiOutputSender> sender;
};

// The source that feeds the delivery goes first, so that nothing calls it any more.
struct SystemMidiServices::Input
{
    std::string name;
    bool away = false;
    std::unique_ptr<MidiInputDelivery> delivery;
    std::unique_ptr<MidiSource> source;
};

const char *SystemMidiServices::clientName()
{
    return "Torvane Editor";
}

// No system port name lacks the colon between client and port, so this one never hides one.
const char *SystemMidiServices::mapperName()
{
    return "MIDI Mapper";
}

SystemMidiServices::SystemMidiServices(System preferred)
    : system_(preferred, clientName(), [this] { changed(); })
{
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

MidiResult SystemMidiServices::systemHealth() const
{
    switch (system_.status().state) {
    case MidiSystemStatus::NotRunning:
        return MidiErrSystemNotRunning;
    case MidiSystemStatus::NotResponding:
        return MidiErrSystemNotResponding;
    default:
        return MidiOk;
    }
}

MidiResult SystemMidiServices::listedHealth(MidiSystem::Flow flow, const std::string &name,
                                            MidiResult portHealth) const
{
    // A JACK port knows whether it is connected; an RtMidi one does not, but a device that its
    // system no longer lists is connected to nothing.
    if (portHealth != MidiOk || system_.kind() == System::Jack)
        return portHealth;
    const std::vector<std::string> &list = system_.listed(flow);
    return std::find(list.begin(), list.end(), name) == list.end() ? MidiErrNotConnected : MidiOk;
}

MidiResult SystemMidiServices::outputHealth(MidiHandle handle) const
{
    const auto it = outputs_.find(handle);
    if (it == outputs_.end())
        return MidiErrInvalidHandle;
    if (it->second->away)
        return MidiErrNotConnected;
    return listedHealth(MidiSystem::Out, it->second->name, it->second->sender->health());
}

MidiResult SystemMidiServices::inputHealth(MidiHandle handle) const
{
    const auto it = inputs_.find(handle);
    if (it == inputs_.end())
        return MidiErrInvalidHandle;
    if (it->second->away)
        return MidiErrNotConnected;
    return listedHealth(MidiSystem::In, it->second->name, it->second->source->health());
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
}

const std::vector<std::string> &SystemMidiServices::names(MidiSystem::Flow flow, bool refresh)
{
    const std::vector<std::string> &list = system_.ports(flow, refresh);
    if (refresh)
        followDepartures(flow);
    return list;
}

void SystemMidiServices::followDepartures(MidiSystem::Flow flow)
{
    std::vector<std::string> open;
    for (const auto &[handle, out] : outputs_)
        open.push_back(out->name);
    for (const auto &[handle, in] : inputs_)
        open.push_back(in->name);
    const std::vector<std::string> gone = system_.departed(open);
    const auto contains = [](const std::vector<std::string> &names, const std::string &name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (auto &[handle, out] : outputs_)
        out->away = out->away || contains(gone, out->name);
    for (auto &[handle, in] : inputs_)
        in->away = in->away || contains(gone, in->name);
    // The sequencer ended our connection with the port that went; one made with the port back
    // under its name is the only way to reach the device again. The other direction's ports
    // are connected at its own next listing.
    const std::vector<std::string> &listed = system_.listed(flow);
    const auto back = [&](const auto &port) { return port->away && contains(listed, port->name); };
    if (flow == MidiSystem::Out) {
        for (auto &[handle, out] : outputs_) {
            if (back(out))
                out->away = system_.reconnect(*out->wire, out->name) != MidiOk;
        }
    } else {
        for (auto &[handle, in] : inputs_) {
            if (back(in))
                in->away = system_.reconnect(*in->source, in->name) != MidiOk;
        }
    }
}

MidiResult SystemMidiServices::nameToOpen(MidiSystem::Flow flow, int deviceId,
                                          MidiCallbackFunction callback, std::string &name)
{
    const std::vector<std::string> &list = names(flow, false);
    if (deviceId < 0 || std::size_t(deviceId) >= list.size())
        return MidiErrBadDeviceId;
    if (!callback)
        return MidiErrInvalidParam;
    if (const MidiResult health = systemHealth(); health != MidiOk)
        return health;
    name = list[std::size_t(deviceId)];
    return MidiOk;
}

template <class Map, class Act>
MidiResult SystemMidiServices::withPort(Map &ports, MidiHandle handle, Act act)
{
    const auto it = ports.find(handle);
    return it == ports.end() ? MidiErrInvalidHandle : act(*it->second);
}

template <class Map, class Queue>
MidiResult SystemMidiServices::queueOn(Map &ports, MidiHandle handle, MidiHeader *header,
                                       Queue queue)
{
    return withPort(ports, handle, [&](auto &port) {
        const MidiResult result = checkHeaderQueueable(handle, header);
        return result == MidiOk ? queue(port) : result;
    });
}

// ---- outputs ----

std::uint32_t SystemMidiServices::outputDeviceCount()
{
    return std::uint32_t(names(MidiSystem::Out, true).size());
}

MidiResult SystemMidiServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
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

MidiResult SystemMidiServices::openOutput(MidiHandle &handle, int deviceId,
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
    out->name = name;
    out->wire = system_.openOutput(name, result);
    if (!out->wire)
        return result;
    const MidiHandle newHandle = ++lastHandle_;
    out->sender = std::make_unique<MidiOutputSender>(out->wire, newHandle, callback, instance);
    outputs_.emplace(newHandle, std::move(out));
    handle = newHandle;
    return MidiOk;
}

MidiResult SystemMidiServices::closeOutput(MidiHandle handle)
{
    return withPort(outputs_, handle, [&](Output &out) {
        // Lets every queued message leave (bounded), hands back what could not, ends the thread.
        out.sender->close();
        outputs_.erase(handle);
        return MidiOk;
    });
}

MidiResult SystemMidiServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    if (const MidiResult health = outputHealth(handle); health != MidiOk)
        return health;
    return withPort(outputs_, handle, [word](Output &out) { return out.sender->sendShort(word); });
}

MidiResult SystemMidiServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return withPort(outputs_, handle, [&](Output &) { return prepareHeader(handle, header); });
}

MidiResult SystemMidiServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    if (const MidiResult health = outputHealth(handle); health != MidiOk)
        return health;
    return queueOn(outputs_, handle, header,
                   [header](Output &out) { return out.sender->sendLong(header); });
}

MidiResult SystemMidiServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return withPort(outputs_, handle, [&](Output &) { return unprepareHeader(handle, header); });
}

// ---- inputs ----

std::uint32_t SystemMidiServices::inputDeviceCount()
{
    return std::uint32_t(names(MidiSystem::In, true).size());
}

MidiResult SystemMidiServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    const auto &list = names(MidiSystem::In, false);
    if (deviceId < 0 || std::size_t(deviceId) >= list.size())
        return MidiErrBadDeviceId;
    caps = MidiInCaps{};
    caps.name = list[std::size_t(deviceId)];
    return MidiOk;
}

MidiResult SystemMidiServices::openInput(MidiHandle &handle, int deviceId,
                                         MidiCallbackFunction callback, std::uintptr_t instance)
{
    std::string name;
    if (const MidiResult result = nameToOpen(MidiSystem::In, deviceId, callback, name))
        return result;
    const MidiHandle newHandle = lastHandle_ + 1;
    auto in = std::make_unique<Input>();
    in->name = name;
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

MidiResult SystemMidiServices::closeInput(MidiHandle handle)
{
    return withPort(inputs_, handle, [&](Input &in) {
        if (in.delivery->buffersHeld() != 0)
            return MidiErrStillPlaying;
        in.source.reset();
        inputs_.erase(handle);
        return MidiOk;
    });
}

MidiResult SystemMidiServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return withPort(inputs_, handle, [&](Input &) { return prepareHeader(handle, header); });
}

MidiResult SystemMidiServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    return queueOn(inputs_, handle, header,
                   [header](Input &in) { return in.delivery->addBuffer(header); });
}

MidiResult SystemMidiServices::startInput(MidiHandle handle)
{
    return withPort(inputs_, handle, [this](Input &in) {
        if (const MidiResult health = systemHealth(); health != MidiOk)
            return health;
        in.delivery->start(system_.now());
        return MidiOk;
    });
}

MidiResult SystemMidiServices::resetInput(MidiHandle handle)
{
    return withPort(inputs_, handle, [](Input &in) {
        in.delivery->reset();
        return MidiOk;
    });
}

MidiResult SystemMidiServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return withPort(inputs_, handle, [&](Input &) { return unprepareHeader(handle, header); });
}
