#pragma once
// An output and an input of the editor on its ALSA sequencer client (AlsaSeqClient): each a port
// of ours, subscribed to one device's port, found by its whole listed name ("client:port C:P").
//
// The sequencer ends a subscription when the device's port goes away, and one that comes back,
// even under the same address, is a new port: reconnect() subscribes our port to it anew.
// Messages go out directly, never through a queue of the sequencer, so a write has reached
// the device's side when it returns. The sequencer takes a message for a port that nobody is
// subscribed to (the device has gone) as if it went: each write asks first, and fails as not
// connected. A receiver whose input queue is full makes the sequencer refuse for want of room:
// the write waits for it, kRoomWaitLimit at most, and then fails that message alone.
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiWire.h"
#include "midi/backend/alsa/AlsaSeqClient.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

class AlsaOutWire final : public MidiWire
{
public:
    // Our port ourName on client, connected to the port listed as fullName. Null and result set
    // on failure. The wire keeps the client open: a sender thread may keep the wire a while.
    static std::unique_ptr<AlsaOutWire> open(const std::shared_ptr<AlsaSeqClient> &client,
                                             const std::string &ourName,
                                             const std::string &fullName, MidiResult &result);
    ~AlsaOutWire() override;
    AlsaOutWire(const AlsaOutWire &) = delete;
    AlsaOutWire &operator=(const AlsaOutWire &) = delete;

    // One whole message at a time, abandon honoured before each.
    MidiResult write(const std::uint8_t *bytes, std::size_t size,
                     std::chrono::steady_clock::time_point sentAt,
                     const std::atomic<bool> &abandon) override;
    MidiResult drain(std::chrono::steady_clock::time_point deadline,
                     const std::atomic<bool> &abandon) override;
    MidiResult health() const override;
    // Caller's thread: connects our port to the port now listed as fullName, which replaced the
    // one it was connected to. MidiOk only once the connection is made.
    MidiResult reconnect(const std::string &fullName);

    // How long a message waits for room in a receiver that does not keep up.
    static constexpr std::chrono::seconds kRoomWaitLimit{5};

private:
    AlsaOutWire(std::shared_ptr<AlsaSeqClient> client, int port)
        : client_(std::move(client)), port_(port)
    {
    }
    MidiResult sendOne(const std::uint8_t *message, std::size_t length,
                       const std::atomic<bool> &abandon);
    AlsaEvent::Address device() const;

    const std::shared_ptr<AlsaSeqClient> client_;
    const int port_;
    mutable std::mutex deviceMutex_; // the caller's thread sets the device, the sender reads it
    AlsaEvent::Address device_;
};

class AlsaInSource final : public MidiSource, private AlsaSeqClient::Receiver
{
public:
    // As AlsaOutWire::open; what the device sends goes to delivery (which drops it until
    // started), from the client's reading thread, stamped with monotonicMicroseconds().
    static std::unique_ptr<AlsaInSource> open(const std::shared_ptr<AlsaSeqClient> &client,
                                              const std::string &ourName,
                                              const std::string &fullName,
                                              MidiInputDelivery &delivery, MidiResult &result);
    // No call reaches delivery afterwards.
    ~AlsaInSource() override;
    AlsaInSource(const AlsaInSource &) = delete;
    AlsaInSource &operator=(const AlsaInSource &) = delete;

    MidiResult reconnect(const std::string &fullName);

private:
    AlsaInSource(std::shared_ptr<AlsaSeqClient> client, int port, MidiInputDelivery &delivery)
        : client_(std::move(client)), port_(port), delivery_(delivery)
    {
    }
    void received(const std::uint8_t *bytes, std::size_t size) noexcept override;
    void lost() noexcept override { delivery_.lost(); }

    const std::shared_ptr<AlsaSeqClient> client_;
    const int port_;
    MidiInputDelivery &delivery_;
    AlsaEvent::Address device_;
};
