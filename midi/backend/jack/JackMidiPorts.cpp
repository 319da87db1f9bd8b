#include "midi/backend/jack/JackMidiPorts.h"

#include "midi/backend/ShortMessage.h"

#include <jack/midiport.h>

#include <algorithm>
#include <thread>

std::unique_ptr<JackMidiOutPort>
JackMidiOutPort::open(JackSession &session, const std::string &target, MidiResult &result)
{
    jack_ringbuffer_t *ring = jack_ringbuffer_create(kRingSize);
    if (!ring) {
        result = MidiErrNoMemory;
        return nullptr;
    }
    std::unique_ptr<JackMidiOutPort> self(new JackMidiOutPort(session, ring));
    result = session.open(*self, true, target, self->port_);
    return self->port_ ? std::move(self) : nullptr;
}

JackMidiOutPort::JackMidiOutPort(JackSession &session, jack_ringbuffer_t *ring)
    : session_(session), ring_(ring)
{
}

JackMidiOutPort::~JackMidiOutPort()
{
    if (port_)
        session_.close(port_);
}

MidiResult JackMidiOutPort::health() const
{
    return port_->health();
}

MidiResult JackMidiOutPort::write(const std::uint8_t *bytes, std::size_t size,
                                  std::chrono::steady_clock::time_point sentAt,
                                  const std::atomic<bool> &abandon)
{
    const std::int64_t sentUs =
        std::chrono::duration_cast<std::chrono::microseconds>(sentAt.time_since_epoch()).count();
    if (const MidiResult connected = awaitConnection(abandon); connected != MidiOk)
        return connected;
    // One event per message when it fits a port buffer comfortably; a longer SysEx goes as
    // consecutive fragments, which JACK MIDI receivers join again. (A port moving to a new
    // client has none for a moment: its events wait in the ring meanwhile.)
    const JackClient *client = port_->client();
    const std::size_t chunk = client ? client->maxEventSize() : JackClient::kSmallestEventLimit;
    for (std::size_t done = 0; done < size;) {
        const auto n = std::uint32_t(std::min(chunk, size - done));
        if (const MidiResult r = writeEvent(bytes + done, n, sentUs, abandon); r != MidiOk)
            return r;
        done += n;
    }
    return MidiOk;
}

template <typename Ready>
MidiResult JackMidiOutPort::waitFor(Ready ready, std::chrono::steady_clock::time_point deadline,
                                    const std::atomic<bool> &abandon, MidiResult late) const
{
    // A server that does not respond for a moment (a busy machine) is waited for within the
    // deadline; a port that is gone or not connected is not. Sleeping keeps a stalled server
    // from turning into a busy loop; the process thread frees room every cycle.
    for (;;) {
        const MidiResult health = port_->health();
        if (health != MidiOk && health != MidiErrSystemNotResponding)
            return health;
        if (health == MidiOk && ready())
            return MidiOk;
        if (abandon.load())
            return MidiErrNotReady;
        if (std::chrono::steady_clock::now() >= deadline)
            return health != MidiOk ? health : late;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

MidiResult JackMidiOutPort::awaitConnection(const std::atomic<bool> &abandon) const
{
    // Taken only once the server shows the connection: a message written into the ring before
    // would be a message the caller counts as sent while it may never arrive.
    return waitFor([&] { return port_->link() != JackSession::Port::Link::Pending; },
                   std::chrono::steady_clock::now() + kWaitLimit, abandon, MidiErrNotConnected);
}

MidiResult JackMidiOutPort::writeEvent(const std::uint8_t *bytes, std::uint32_t size,
                                       std::int64_t sentUs, const std::atomic<bool> &abandon)
{
    jack_ringbuffer_t *ring = ring_.get();
    const auto room = [&] {
        return jack_ringbuffer_write_space(ring) >= sizeof(EventHeader) + size;
    };
    if (const MidiResult r =
            waitFor(room, std::chrono::steady_clock::now() + kWaitLimit, abandon, MidiErrNotReady);
        r != MidiOk)
        return r;
    // The reader takes a record only when its whole length is there, so two writes are fine.
    const EventHeader header{size, sentUs};
    jack_ringbuffer_write(ring, reinterpret_cast<const char *>(&header), sizeof header);
    jack_ringbuffer_write(ring, reinterpret_cast<const char *>(bytes), size);
    return MidiOk;
}

MidiResult JackMidiOutPort::drain(std::chrono::steady_clock::time_point deadline,
                                  const std::atomic<bool> &abandon)
{
    // Only a connected port empties its ring (nothing is written into it before).
    const auto empty = [&] { return jack_ringbuffer_read_space(ring_.get()) == 0; };
    if (const MidiResult r = waitFor(empty, deadline, abandon, MidiErrNotReady); r != MidiOk)
        return r;
    // The last messages are in the port buffer of a cycle that may still be running; once the
    // next cycle has ended too, the connected port has read them and the port may go.
    const JackClient *client = port_->client();
    if (client && port_->connected() && !client->waitForCycles(deadline, abandon))
        return port_->health() != MidiOk ? port_->health() : MidiErrNotReady;
    return port_->health();
}

std::int64_t JackMidiOutPort::dueOffset(const EventHeader &event, jack_nframes_t cycleStart,
                                        jack_nframes_t sampleRate) const noexcept
{
    // As soon as it can; but a pause the program made after a SysEx (the converter needs 100 ms
    // after each parameter message) is kept on the wire, counted in frames at the server's rate.
    // After a short message nothing is kept: each pause would be counted from where the message
    // before it was placed, so one late cycle would delay every message of a slow exchange (a
    // controller turned slowly, a send answered before the next) from then on. Events
    // written between cycles would otherwise bunch at cycle starts, and the JACK clock may lag
    // behind the clock the program paced by (a timer-driven server on a busy machine). Keeping
    // shorter gaps too would make every event of a quick exchange wait as long as the slowest
    // one before it.
    constexpr std::int64_t kShortestKeptPauseUs = 20'000;
    constexpr std::int64_t kLongestKeptPauseUs = 10'000'000;
    const std::int64_t gapUs = event.sentUs - lastSentUs_;
    if (!placedAny_ || lastWasShort_ || gapUs < kShortestKeptPauseUs || gapUs > kLongestKeptPauseUs)
        return 0;
    const std::int64_t gapFrames = gapUs * sampleRate / 1'000'000;
    // Frame counts wrap around at 2^32: the difference is taken in that arithmetic.
    return std::int32_t(lastFrame_ - cycleStart) + gapFrames;
}

void JackMidiOutPort::process(jack_nframes_t frames) noexcept
{
    // The session attaches the port only once it is registered on this client.
    void *buffer = jack_port_get_buffer(port_->jackPort(), frames);
    jack_midi_clear_buffer(buffer);
    // What was written before the connection was made waits for it.
    if (!port_->connected())
        return;
    jack_ringbuffer_t *ring = ring_.get();
    const JackClient &client = *port_->client();
    const jack_nframes_t start = client.cycleStart();
    EventHeader event{};
    std::int64_t earliest = 0; // events of a cycle must not go back in time
    while (jack_ringbuffer_peek(ring, reinterpret_cast<char *>(&event), sizeof event) ==
               sizeof event &&
           jack_ringbuffer_read_space(ring) >= sizeof event + event.size) {
        // One due in a later cycle waits for it; the others go in order.
        const std::int64_t due = dueOffset(event, start, client.sampleRate());
        if (due >= std::int64_t(frames))
            break;
        const std::int64_t offset = std::max(due, earliest);
        jack_midi_data_t *data =
            jack_midi_event_reserve(buffer, jack_nframes_t(offset), event.size);
        if (!data)
            break; // the port buffer is full: the rest goes in the next cycle
        earliest = offset;
        lastFrame_ = start + jack_nframes_t(offset);
        lastSentUs_ = event.sentUs;
        placedAny_ = true;
        jack_ringbuffer_read_advance(ring, sizeof event);
        jack_ringbuffer_read(ring, reinterpret_cast<char *>(data), event.size);
        lastWasShort_ = data[0] >= 0x80 && data[0] != SysexStart && data[0] != SysexEnd;
    }
}

std::unique_ptr<JackMidiInPort> JackMidiInPort::open(JackSession &session,
                                                     const std::string &source,
                                                     MidiInputDelivery &delivery,
                                                     MidiResult &result)
{
    std::unique_ptr<JackMidiInPort> self(new JackMidiInPort(session, delivery));
    result = session.open(*self, false, source, self->port_);
    return self->port_ ? std::move(self) : nullptr;
}

JackMidiInPort::JackMidiInPort(JackSession &session, MidiInputDelivery &delivery)
    : session_(session), delivery_(delivery)
{
}

JackMidiInPort::~JackMidiInPort()
{
    if (port_)
        session_.close(port_);
}

MidiResult JackMidiInPort::health() const
{
    return port_->health();
}

void JackMidiInPort::process(jack_nframes_t frames) noexcept
{
    void *buffer = jack_port_get_buffer(port_->jackPort(), frames);
    const JackClient &client = *port_->client();
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0)
            delivery_.receive(event.buffer, event.size, client.eventTime(event.time));
    }
}
