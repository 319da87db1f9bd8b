#include "midi/backend/alsa/AlsaSequencer.h"

#if defined(__linux__)
#include "midi/backend/alsa/AlsaSequencerProbe.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>

namespace {

class LibAsoundSequencer final : public AlsaSequencer
{
public:
    ~LibAsoundSequencer() override { close(); }

    bool open() override
    {
        // Asked of the device node first: libasound reports a missing sequencer on stderr, and
        // a machine without one (a container, a server) is normal.
        if (!alsaSequencerOpens())
            return false;
        if (::snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) == 0)
            return true;
        seq_ = nullptr;
        return false;
    }
    bool setClientName(const std::string &name) override
    {
        return ::snd_seq_set_client_name(seq_, name.c_str()) == 0;
    }
    int createPort(const std::string &name) override
    {
        // Writable without a subscription capability and not exported: others can neither
        // list nor connect to it, so it never shows up among the devices.
        return ::snd_seq_create_simple_port(seq_, name.c_str(),
                                            SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                            SND_SEQ_PORT_TYPE_APPLICATION);
    }
    bool subscribeToAnnouncements(int port) override
    {
        return ::snd_seq_connect_from(seq_, port, SND_SEQ_CLIENT_SYSTEM,
                                      SND_SEQ_PORT_SYSTEM_ANNOUNCE) == 0;
    }
    std::vector<pollfd> pollDescriptors() override
    {
        std::vector<pollfd> fds(std::max(0, ::snd_seq_poll_descriptors_count(seq_, POLLIN)));
        const int filled =
            ::snd_seq_poll_descriptors(seq_, fds.data(), unsigned(fds.size()), POLLIN);
        fds.resize(std::clamp(filled, 0, int(fds.size())));
        return fds;
    }
    std::optional<AlsaEvent> readEvent() override
    {
        snd_seq_event_t *event = nullptr;
        const int result = ::snd_seq_event_input(seq_, &event);
        // Interrupted before anything was read: what waits still makes the descriptor readable.
        if (result == -EAGAIN || result == -EINTR)
            return std::nullopt;
        if (result == -ENOSPC)
            return AlsaEvent{AlsaEvent::Kind::Lost};
        if (result < 0 || event == nullptr)
            return AlsaEvent{AlsaEvent::Kind::Failed};
        const AlsaEvent::Kind kind = alsaEventKind(event->type);
        if (kind == AlsaEvent::Kind::Other)
            return AlsaEvent{kind};
        return AlsaEvent{kind, event->data.addr.client, event->data.addr.port};
    }
    void close() override
    {
        if (seq_ != nullptr)
            ::snd_seq_close(seq_);
        seq_ = nullptr;
    }

private:
    snd_seq_t *seq_ = nullptr;
};

} // namespace

std::unique_ptr<AlsaSequencer> makeAlsaSequencer()
{
    return std::make_unique<LibAsoundSequencer>();
}

AlsaEvent::Kind alsaEventKind(int type)
{
    using Kind = AlsaEvent::Kind;
    switch (type) {
    case SND_SEQ_EVENT_CLIENT_START:
        return Kind::ClientStart;
    case SND_SEQ_EVENT_CLIENT_EXIT:
        return Kind::ClientExit;
    case SND_SEQ_EVENT_CLIENT_CHANGE:
        return Kind::ClientChange;
    case SND_SEQ_EVENT_PORT_START:
        return Kind::PortStart;
    case SND_SEQ_EVENT_PORT_EXIT:
        return Kind::PortExit;
    case SND_SEQ_EVENT_PORT_CHANGE:
        return Kind::PortChange;
    default:
        return Kind::Other;
    }
}

#else

std::unique_ptr<AlsaSequencer> makeAlsaSequencer()
{
    return nullptr;
}

AlsaEvent::Kind alsaEventKind(int)
{
    return AlsaEvent::Kind::Other;
}

#endif
