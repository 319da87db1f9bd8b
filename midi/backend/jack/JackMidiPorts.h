#pragma once
// The editor's MIDI ports on a JACK server: one per open system device, each connected to the
// other client's port that the device stands for. The session registers and connects them on its
// request thread: opening returns at once, and a message written meanwhile waits (on the
// writer's thread, kWaitLimit at most) until the server shows the connection; one that
// cannot wait longer fails as not connected. A port whose other end goes, or whose server goes,
// stays so: its health says why, and the owner opens a new one when the device is back.
//
// JackMidiOutPort carries messages from an output's sender thread to the JACK process thread
// through a lock-free ring. The process thread moves whole messages into the port buffer as
// long as they fit and leaves the rest for the next cycle, so bursts larger than one cycle's
// buffer (about 2,700 short messages or 1,600 8-byte SysEx at 32 KiB) are paced, never dropped.
// A full ring, or a server that does not respond for a moment, makes the sender thread sleep a
// millisecond at a time (kWaitLimit at most), never spin; a dead server makes write() fail at
// once.
//
// JackMidiInPort passes every event of its port, on the process thread, to a
// MidiInputDelivery with its JACK time stamp; nothing there allocates or locks.
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiWire.h"
#include "midi/backend/jack/JackClient.h"
#include "midi/backend/jack/JackSession.h"

#include <jack/ringbuffer.h>

#include <memory>
#include <string>

class JackMidiOutPort final : public JackPortUser, public MidiWire
{
public:
    // A port to be connected to the port named target. Null and result set when the session
    // cannot take it (no server, or one that does not respond).
    static std::unique_ptr<JackMidiOutPort> open(JackSession &session, const std::string &target,
                                                 MidiResult &result);
    ~JackMidiOutPort() override;

    MidiResult write(const std::uint8_t *bytes, std::size_t size,
                     std::chrono::steady_clock::time_point sentAt,
                     const std::atomic<bool> &abandon) override;
    MidiResult drain(std::chrono::steady_clock::time_point deadline,
                     const std::atomic<bool> &abandon) override;
    MidiResult health() const override;
    bool connecting() const override { return port_->link() == JackSession::Port::Link::Pending; }

    void process(jack_nframes_t frames) noexcept override;

    // Bytes of ring space: room for several cycles' worth of port buffer.
    static constexpr std::size_t kRingSize = 1 << 17;
    // How long a message waits for the port to be connected, for room in the ring, or for a
    // server that does not respond for a moment.
    static constexpr std::chrono::seconds kWaitLimit{5};

private:
    JackMidiOutPort(JackSession &session, jack_ringbuffer_t *ring);
    // MidiOk once ready() holds on a healthy port; the port's reason, or late at the deadline.
    template <typename Ready>
    MidiResult waitFor(Ready ready, std::chrono::steady_clock::time_point deadline,
                       const std::atomic<bool> &abandon, MidiResult late) const;
    MidiResult awaitConnection(const std::atomic<bool> &abandon) const;
    MidiResult writeEvent(const std::uint8_t *bytes, std::uint32_t size, std::int64_t sentUs,
                          const std::atomic<bool> &abandon);

    // Each ring record: this header, then the event's bytes.
    struct EventHeader
    {
        std::uint32_t size;
        std::int64_t sentUs; // when the program sent it, on the steady clock
    };
    std::int64_t dueOffset(const EventHeader &event, jack_nframes_t cycleStart,
                           jack_nframes_t sampleRate) const noexcept;
    struct RingFree
    {
        void operator()(jack_ringbuffer_t *ring) const { jack_ringbuffer_free(ring); }
    };

    JackSession &session_;
    std::shared_ptr<JackSession::Port> port_;
    std::unique_ptr<jack_ringbuffer_t, RingFree> ring_;
    // The last event placed, on the process thread: its frame and when it was sent.
    jack_nframes_t lastFrame_ = 0;
    std::int64_t lastSentUs_ = 0;
    bool placedAny_ = false;
    // The last event placed was a short message (no SysEx or part of one): what follows it need
    // not wait, however long the program paused.
    bool lastWasShort_ = false;
};

class JackMidiInPort final : public JackPortUser, public MidiSource
{
public:
    // A port the port named source is to be connected to, passing its events to delivery (which
    // drops them until started). Null and result set when the session cannot take it.
    static std::unique_ptr<JackMidiInPort> open(JackSession &session, const std::string &source,
                                                MidiInputDelivery &delivery, MidiResult &result);
    // Stops delivery from the process thread before the port goes.
    ~JackMidiInPort() override;

    MidiResult health() const override;
    void process(jack_nframes_t frames) noexcept override;

private:
    JackMidiInPort(JackSession &session, MidiInputDelivery &delivery);

    JackSession &session_;
    std::shared_ptr<JackSession::Port> port_;
    MidiInputDelivery &delivery_;
};
