#if defined(__linux__)
#include "midi/backend/alsa/AlsaSeqClient.h"

#include "midi/backend/ShortMessage.h"
#include "midi/backend/alsa/AlsaSequencerProbe.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

// The capabilities a port of the other clients needs for us to connect to it.
unsigned wanted(AlsaSeqClient::Role role)
{
    return role == AlsaSeqClient::Role::Sending
               ? SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE
               : SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
}

// Ports that carry MIDI, as opposed to the timer and other system services.
bool carriesMidi(const snd_seq_port_info_t *port)
{
    return (snd_seq_port_info_get_type(port) &
            (SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTH |
             SND_SEQ_PORT_TYPE_APPLICATION)) != 0;
}

} // namespace

std::unique_ptr<AlsaSeqClient> AlsaSeqClient::open(const std::string &name)
{
    if (!alsaSequencerOpens())
        return nullptr;
    snd_seq_t *seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) != 0)
        return nullptr;
    snd_midi_event_t *decoder = nullptr;
    if (snd_midi_event_new(16, &decoder) != 0) {
        snd_seq_close(seq);
        return nullptr;
    }
    std::unique_ptr<AlsaSeqClient> client(new AlsaSeqClient(seq, decoder));
    if (client->encoder_ == nullptr || (!name.empty() && !client->setName(name)))
        return nullptr;
    return client;
}

AlsaSeqClient::AlsaSeqClient(snd_seq_t *seq, snd_midi_event_t *decoder)
    : seq_(seq), decoder_(decoder)
{
    // Every decoded message carries its status: messages of different devices and ports pass
    // through one decoder, so a running status would be another port's.
    snd_midi_event_no_status(decoder_, 1);
    if (snd_midi_event_new(16, &encoder_) != 0)
        encoder_ = nullptr;
}

AlsaSeqClient::~AlsaSeqClient()
{
    snd_seq_close(seq_);
    snd_midi_event_free(decoder_);
    if (encoder_ != nullptr)
        snd_midi_event_free(encoder_);
}

bool AlsaSeqClient::setName(const std::string &name)
{
    const std::lock_guard lock(mutex_);
    name_ = name;
    return snd_seq_set_client_name(seq_, name.c_str()) == 0;
}

std::vector<std::string> AlsaSeqClient::portNames(Role role) const
{
    std::vector<std::string> names;
    const unsigned caps = wanted(role);
    const std::lock_guard lock(mutex_);
    const int self = snd_seq_client_id(seq_);
    snd_seq_client_info_t *client = nullptr;
    snd_seq_port_info_t *port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq_, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        const std::string clientName = snd_seq_client_info_get_name(client);
        if (id == SND_SEQ_CLIENT_SYSTEM || id == self || clientName == name_)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq_, port) >= 0) {
            const unsigned has = snd_seq_port_info_get_capability(port);
            if ((has & caps) != caps || (has & SND_SEQ_PORT_CAP_NO_EXPORT) != 0 ||
                !carriesMidi(port))
                continue;
            names.push_back(clientName + ":" + snd_seq_port_info_get_name(port) + " " +
                            std::to_string(id) + ":" +
                            std::to_string(snd_seq_port_info_get_port(port)));
        }
    }
    return names;
}

std::optional<AlsaEvent::Address> AlsaSeqClient::find(Role role, const std::string &fullName) const
{
    const std::vector<std::string> names = portNames(role);
    if (std::find(names.begin(), names.end(), fullName) == names.end())
        return std::nullopt;
    // The address is the name's last word, as listed just now.
    AlsaEvent::Address address;
    if (std::sscanf(fullName.c_str() + fullName.rfind(' ') + 1, "%d:%d", &address.client,
                    &address.port) != 2)
        return std::nullopt;
    return address;
}

int AlsaSeqClient::createPort(const std::string &name, Role role)
{
    unsigned caps = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT;
    unsigned type = SND_SEQ_PORT_TYPE_APPLICATION;
    if (role != Role::Announcements) {
        caps = role == Role::Sending ? SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ
                                     : SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
        type |= SND_SEQ_PORT_TYPE_MIDI_GENERIC;
    }
    const std::lock_guard lock(mutex_);
    return snd_seq_create_simple_port(seq_, name.c_str(), caps, type);
}

void AlsaSeqClient::deletePort(int port)
{
    const std::lock_guard lock(mutex_);
    snd_seq_delete_simple_port(seq_, port);
}

bool AlsaSeqClient::connect(int port, Role role, AlsaEvent::Address device)
{
    const std::lock_guard lock(mutex_);
    return (role == Role::Sending
                ? snd_seq_connect_to(seq_, port, device.client, device.port)
                : snd_seq_connect_from(seq_, port, device.client, device.port)) == 0;
}

void AlsaSeqClient::disconnect(int port, Role role, AlsaEvent::Address device)
{
    const std::lock_guard lock(mutex_);
    if (role == Role::Sending)
        snd_seq_disconnect_to(seq_, port, device.client, device.port);
    else
        snd_seq_disconnect_from(seq_, port, device.client, device.port);
}

bool AlsaSeqClient::connected(int port, AlsaEvent::Address device) const
{
    snd_seq_port_subscribe_t *subscription = nullptr;
    snd_seq_port_subscribe_alloca(&subscription);
    const std::lock_guard lock(mutex_);
    const snd_seq_addr_t ours{std::uint8_t(snd_seq_client_id(seq_)), std::uint8_t(port)};
    const snd_seq_addr_t theirs{std::uint8_t(device.client), std::uint8_t(device.port)};
    snd_seq_port_subscribe_set_sender(subscription, &ours);
    snd_seq_port_subscribe_set_dest(subscription, &theirs);
    return snd_seq_get_port_subscription(seq_, subscription) == 0;
}

bool AlsaSeqClient::subscribeToAnnouncements(int port)
{
    const std::lock_guard lock(mutex_);
    return snd_seq_connect_from(seq_, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) ==
           0;
}

int AlsaSeqClient::send(int port, const std::uint8_t *bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    const std::lock_guard lock(mutex_);
    if (bytes[0] == SysexStart) {
        // libasound copies the bytes before the call returns.
        snd_seq_ev_set_sysex(&event, unsigned(size), const_cast<std::uint8_t *>(bytes));
    } else {
        snd_midi_event_reset_encode(encoder_);
        if (snd_midi_event_encode(encoder_, bytes, long(size), &event) < 0)
            return -EINVAL;
        // Data bytes with no status before them make no message: nothing goes out.
        if (event.type == SND_SEQ_EVENT_NONE)
            return 0;
    }
    snd_seq_ev_set_source(&event, port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    const int result = snd_seq_event_output_direct(seq_, &event);
    return result < 0 ? result : 0;
}

void AlsaSeqClient::listen(int port, Receiver *receiver)
{
    const std::lock_guard lock(receiversMutex_);
    if (receiver != nullptr)
        receivers_[port] = receiver;
    else
        receivers_.erase(port);
}

std::vector<pollfd> AlsaSeqClient::pollDescriptors()
{
    std::vector<pollfd> fds(std::max(0, snd_seq_poll_descriptors_count(seq_, POLLIN)));
    const int filled = snd_seq_poll_descriptors(seq_, fds.data(), unsigned(fds.size()), POLLIN);
    fds.resize(std::clamp(filled, 0, int(fds.size())));
    return fds;
}

std::optional<AlsaEvent> AlsaSeqClient::readEvent()
{
    snd_seq_event_t *event = nullptr;
    const int result = snd_seq_event_input(seq_, &event);
    // Interrupted before anything was read: what waits still makes the descriptor readable.
    if (result == -EAGAIN || result == -EINTR)
        return std::nullopt;
    if (result == -ENOSPC) {
        // Which port the lost events were for is not known: every input is cut.
        const std::lock_guard lock(receiversMutex_);
        for (const auto &[port, receiver] : receivers_)
            receiver->lost();
        return AlsaEvent{AlsaEvent::Kind::Lost};
    }
    if (result < 0 || event == nullptr)
        return AlsaEvent{AlsaEvent::Kind::Failed};
    // Only the system client announces; whatever another client sends us is music.
    if (event->source.client != SND_SEQ_CLIENT_SYSTEM) {
        deliver(event);
        return AlsaEvent{AlsaEvent::Kind::Other};
    }
    const AlsaEvent::Kind kind = alsaEventKind(event->type);
    if (kind == AlsaEvent::Kind::Other)
        return AlsaEvent{kind};
    return AlsaEvent{kind, event->data.addr.client, event->data.addr.port};
}

void AlsaSeqClient::deliver(const void *raw)
{
    const auto &event = *static_cast<const snd_seq_event_t *>(raw);
    const std::lock_guard lock(receiversMutex_);
    const auto it = receivers_.find(event.dest.port);
    if (it == receivers_.end())
        return;
    if (event.type == SND_SEQ_EVENT_SYSEX) {
        it->second->received(static_cast<const std::uint8_t *>(event.data.ext.ptr),
                             event.data.ext.len);
        return;
    }
    std::uint8_t bytes[16];
    const long size = snd_midi_event_decode(decoder_, bytes, long(sizeof bytes), &event);
    if (size > 0)
        it->second->received(bytes, std::size_t(size));
}

#endif
