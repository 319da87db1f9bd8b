// SystemMidiServices: opening the system's devices, what goes to and comes from them, and
// closing them.
#include "midi/backend/system/SystemMidiServices.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/rtmidi/RtMidiPorts.h"
#include "midi/backend/system/SystemOpenDevices.h"
#if TORVANE_MIDI_ALSA
#include "midi/backend/alsa/AlsaSeqPorts.h"
#endif
#if TORVANE_MIDI_JACK
#include "midi/backend/jack/JackMidiPorts.h"
#endif

#include <rtmidi/RtMidi.h>

MidiResult SystemMidiServices::nameToOpen(Flow flow, int deviceId, MidiCallbackFunction callback,
                                          std::string &name)
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

std::unique_ptr<MidiWire> SystemMidiServices::openWire(const std::string &name, MidiResult &result)
{
#if TORVANE_MIDI_JACK
    if (kind_ == MidiSystem::Jack)
        return JackMidiOutPort::open(*jack_, name, result);
#endif
#if TORVANE_MIDI_ALSA
    if (seq_)
        return AlsaOutWire::open(seq_, std::string(clientName()) + " out", fullName(name), result);
#endif
    return RtMidiOutWire::open(RtMidi::Api(rtApi_), clientName(), name, result);
}

std::unique_ptr<MidiSource> SystemMidiServices::openSource(const std::string &name,
                                                           MidiInputDelivery &delivery,
                                                           MidiResult &result)
{
#if TORVANE_MIDI_JACK
    if (kind_ == MidiSystem::Jack)
        return JackMidiInPort::open(*jack_, name, delivery, result);
#endif
#if TORVANE_MIDI_ALSA
    if (seq_)
        return AlsaInSource::open(seq_, std::string(clientName()) + " in", fullName(name), delivery,
                                  result);
#endif
    return RtMidiInSource::open(RtMidi::Api(rtApi_), clientName(), name, delivery, result);
}

// Only the sequencer tells of ports that went (departed), so only its ports are connected anew.
MidiResult SystemMidiServices::reconnect(MidiWire &wire, const std::string &name)
{
#if TORVANE_MIDI_ALSA
    if (auto *port = dynamic_cast<AlsaOutWire *>(&wire))
        return port->reconnect(fullName(name));
#endif
    (void)wire;
    (void)name;
    return MidiOk;
}

MidiResult SystemMidiServices::reconnect(MidiSource &source, const std::string &name)
{
#if TORVANE_MIDI_ALSA
    if (auto *port = dynamic_cast<AlsaInSource *>(&source))
        return port->reconnect(fullName(name));
#endif
    (void)source;
    (void)name;
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

MidiResult SystemMidiServices::openOutput(MidiHandle &handle, int deviceId,
                                          MidiCallbackFunction callback, std::uintptr_t instance)
{
    // The mapper routes to the first system output, as long as there is one.
    if (deviceId == kMapperId) {
        if (names(Out, false).empty())
            return MidiErrNoDriver;
        deviceId = 0;
    }
    std::string name;
    if (const MidiResult result = nameToOpen(Out, deviceId, callback, name))
        return result;
    MidiResult result = MidiErrNotEnabled;
    auto out = std::make_unique<Output>();
    out->name = name;
    out->wire = openWire(name, result);
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

MidiResult SystemMidiServices::openInput(MidiHandle &handle, int deviceId,
                                         MidiCallbackFunction callback, std::uintptr_t instance)
{
    std::string name;
    if (const MidiResult result = nameToOpen(In, deviceId, callback, name))
        return result;
    const MidiHandle newHandle = lastHandle_ + 1;
    auto in = std::make_unique<Input>();
    in->name = name;
    in->delivery = std::make_unique<MidiInputDelivery>(newHandle, callback, instance);
    MidiResult result = MidiErrNotEnabled;
    in->source = openSource(name, *in->delivery, result);
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
        in.delivery->start(now());
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
