// SystemMidiServices: the lists of the system's devices, the names they are shown under, and the
// devices of ours whose port went away.
#include "midi/backend/system/SystemMidiServices.h"

#include "midi/backend/DeviceName.h"
#include "midi/backend/rtmidi/RtMidiPorts.h"
#include "midi/backend/system/SystemOpenDevices.h"
#if TORVANE_MIDI_ALSA
#include "midi/backend/alsa/AlsaAnnouncements.h"
#include "midi/backend/alsa/AlsaSeqClient.h"
#endif
#if TORVANE_MIDI_JACK
#include "midi/backend/jack/JackSession.h"
#endif

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <cstdio>

std::uint32_t SystemMidiServices::outputDeviceCount()
{
    return std::uint32_t(names(Out, true).size());
}

MidiResult SystemMidiServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
{
    const auto &list = names(Out, false);
    const bool mapper = deviceId == kMapperId;
    if (!mapper && (deviceId < 0 || std::size_t(deviceId) >= list.size()))
        return MidiErrBadDeviceId;
    caps = MidiOutCaps{};
    caps.name = mapper ? mapperName() : list[std::size_t(deviceId)];
    caps.technology = mapper ? MidiTechMapper : MidiTechPort;
    caps.channelMask = 0xFFFF;
    return MidiOk;
}

std::uint32_t SystemMidiServices::inputDeviceCount()
{
    return std::uint32_t(names(In, true).size());
}

MidiResult SystemMidiServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    const auto &list = names(In, false);
    if (deviceId < 0 || std::size_t(deviceId) >= list.size())
        return MidiErrBadDeviceId;
    caps = MidiInCaps{};
    caps.name = list[std::size_t(deviceId)];
    return MidiOk;
}

const std::vector<std::string> &SystemMidiServices::names(Flow flow, bool refresh)
{
    if (refresh || !listed_[flow]) {
        names_[flow] = systemPorts(flow);
        listed_[flow] = true;
    }
    if (refresh)
        followDepartures(flow);
    return names_[flow];
}

std::vector<std::string> SystemMidiServices::systemPorts(Flow flow)
{
#if TORVANE_MIDI_JACK
    if (kind_ == MidiSystem::Jack)
        return jack_->ports(flow == Out ? JackSession::Flow::Sink : JackSession::Flow::Source);
#endif
#if TORVANE_MIDI_ALSA
    if (seq_)
        return shownNames(flow, seq_->portNames(flow == Out ? AlsaSeqClient::Role::Sending
                                                            : AlsaSeqClient::Role::Receiving));
#endif
    if (RtMidi *lister = flow == Out ? static_cast<RtMidi *>(outLister_.get())
                                     : static_cast<RtMidi *>(inLister_.get()))
        return shownNames(flow, rtMidiPortNames(*lister, clientName()));
    return {};
}

std::vector<std::string> SystemMidiServices::shownNames(Flow flow,
                                                        const std::vector<std::string> &fullNames)
{
    if (kind_ != MidiSystem::Alsa)
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

std::string SystemMidiServices::fullName(const std::string &name) const
{
    const auto it = fullNames_.find(name);
    return it == fullNames_.end() ? name : it->second;
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

std::vector<std::string> SystemMidiServices::departed(const std::vector<std::string> &names)
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
std::vector<std::string> SystemMidiServices::departed(const std::vector<std::string> &)
{
    return {};
}
#endif

void SystemMidiServices::followDepartures(Flow flow)
{
    std::vector<std::string> open;
    for (const auto &[handle, out] : outputs_)
        open.push_back(out->name);
    for (const auto &[handle, in] : inputs_)
        open.push_back(in->name);
    const std::vector<std::string> gone = departed(open);
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
    const std::vector<std::string> &listed = names_[flow];
    const auto back = [&](const auto &port) { return port->away && contains(listed, port->name); };
    if (flow == Out) {
        for (auto &[handle, out] : outputs_) {
            if (back(out))
                out->away = reconnect(*out->wire, out->name) != MidiOk;
        }
    } else {
        for (auto &[handle, in] : inputs_) {
            if (back(in))
                in->away = reconnect(*in->source, in->name) != MidiOk;
        }
    }
}
