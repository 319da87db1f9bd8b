#include "midi/backend/alsa/AlsaSequencer.h"

#if defined(__linux__)
#include "midi/backend/alsa/AlsaSeqClient.h"

#include <alsa/asoundlib.h>

namespace {

// The announcements through a client of the editor's that others use too (shared), or through
// one of the watcher's own, opened by open() and ended by close().
class ClientSequencer final : public AlsaSequencer
{
public:
    explicit ClientSequencer(AlsaSeqClient *shared) : shared_(shared) {}
    ~ClientSequencer() override { close(); }

    bool open() override
    {
        if (shared_ == nullptr)
            owned_ = AlsaSeqClient::open({});
        client_ = shared_ != nullptr ? shared_ : owned_.get();
        return client_ != nullptr;
    }
    bool setClientName(const std::string &name) override { return client_->setName(name); }
    int createPort(const std::string &name) override
    {
        port_ = client_->createPort(name, AlsaSeqClient::Role::Announcements);
        return port_;
    }
    bool subscribeToAnnouncements(int port) override
    {
        return client_->subscribeToAnnouncements(port);
    }
    std::vector<pollfd> pollDescriptors() override { return client_->pollDescriptors(); }
    std::optional<AlsaEvent> readEvent() override { return client_->readEvent(); }
    void close() override
    {
        if (shared_ != nullptr && client_ != nullptr && port_ >= 0)
            client_->deletePort(port_);
        port_ = -1;
        owned_.reset();
        client_ = nullptr;
    }

private:
    AlsaSeqClient *const shared_;
    std::unique_ptr<AlsaSeqClient> owned_;
    AlsaSeqClient *client_ = nullptr;
    int port_ = -1;
};

} // namespace

std::unique_ptr<AlsaSequencer> makeAlsaSequencer()
{
    return std::make_unique<ClientSequencer>(nullptr);
}

std::unique_ptr<AlsaSequencer> makeAlsaSequencer(AlsaSeqClient &client)
{
    return std::make_unique<ClientSequencer>(&client);
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
