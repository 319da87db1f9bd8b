#pragma once
// An output and an input of the editor on its ALSA sequencer client (AlsaSeqClient): each a port
// of ours, subscribed to one device's port, found by its whole listed name ("client:port C:P").
//
// The sequencer ends a subscription when the device's port goes away, and one that comes back,
// even under the same address, is a new port: reconnect() subscribes our port to it anew.
// Messages go out directly, never through a queue of the sequencer, so a write has reached
// the device's side when it returns, and a full sequencer makes it fail rather than wait.
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiWire.h"
#include "midi/backend/alsa/AlsaSeqClient.h"

#include <atomic>
#include <memory>
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

private:
    AlsaOutWire(std::shared_ptr<AlsaSeqClient> client, int port)
        : client_(std::move(client)), port_(port)
    {
    }

    const std::shared_ptr<AlsaSeqClient> client_;
    const int port_;
    AlsaEvent::Address device_;           // the caller's thread's
    std::atomic<bool> lastFailed_{false}; // the last write failed: the next send says so
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

    const std::shared_ptr<AlsaSeqClient> client_;
    const int port_;
    MidiInputDelivery &delivery_;
    AlsaEvent::Address device_;
};
