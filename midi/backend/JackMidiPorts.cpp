#include "midi/backend/JackMidiPorts.h"

#include <jack/midiport.h>

#include <algorithm>
#include <thread>

namespace {

// Registers and connects a port of ours; unregisters it again when the connection fails.
jack_port_t *openConnected(JackClient &client, const char *base, bool isOutput,
                           const std::string &other, MidiResult &result)
{
    if (!client.running()) {
        result = MidiErrSystemNotRunning;
        return nullptr;
    }
    jack_port_t *port = client.registerPort(base, isOutput, result);
    if (!port)
        return nullptr;
    result = client.connectPort(port, other, isOutput);
    if (result != MidiOk) {
        client.unregisterPort(port);
        return nullptr;
    }
    return port;
}

} // namespace

std::unique_ptr<JackMidiOutPort>
JackMidiOutPort::open(JackClient &client, const std::string &target, MidiResult &result)
{
    jack_ringbuffer_t *ring = jack_ringbuffer_create(kRingSize);
    if (!ring) {
        result = MidiErrNoMemory;
        return nullptr;
    }
    std::unique_ptr<jack_ringbuffer_t, RingFree> ringOwner(ring);
    jack_port_t *port = openConnected(client, "MIDI out", true, target, result);
    if (!port)
        return nullptr;
    std::unique_ptr<JackMidiOutPort> self(new JackMidiOutPort(client, port, ringOwner.release()));
    if (!client.attach(self.get())) {
        result = MidiErrNoMemory;
        return nullptr;
    }
    result = MidiOk;
    return self;
}

JackMidiOutPort::JackMidiOutPort(JackClient &client, jack_port_t *port, jack_ringbuffer_t *ring)
    : client_(client), port_(port), ring_(ring)
{
}

JackMidiOutPort::~JackMidiOutPort()
{
    client_.detach(this);
    client_.unregisterPort(port_);
}

MidiResult JackMidiOutPort::health() const
{
    return client_.running() ? MidiOk : MidiErrSystemNotRunning;
}

MidiResult JackMidiOutPort::write(const std::uint8_t *bytes, std::size_t size,
                                  std::chrono::steady_clock::time_point sentAt,
                                  const std::atomic<bool> &abandon)
{
    const std::int64_t sentUs =
        std::chrono::duration_cast<std::chrono::microseconds>(sentAt.time_since_epoch()).count();
    // One event per message when it fits a port buffer comfortably; a longer SysEx goes as
    // consecutive fragments, which JACK MIDI receivers join again.
    const std::size_t chunk = client_.maxEventSize();
    for (std::size_t done = 0; done < size;) {
        const auto n = std::uint32_t(std::min(chunk, size - done));
        if (const MidiResult r = writeEvent(bytes + done, n, sentUs, abandon); r != MidiOk)
            return r;
        done += n;
    }
    return MidiOk;
}

MidiResult JackMidiOutPort::writeEvent(const std::uint8_t *bytes, std::uint32_t size,
                                       std::int64_t sentUs, const std::atomic<bool> &abandon)
{
    jack_ringbuffer_t *ring = ring_.get();
    while (jack_ringbuffer_write_space(ring) < sizeof(EventHeader) + size) {
        if (!client_.running())
            return MidiErrSystemNotRunning;
        if (abandon.load())
            return MidiErrNotReady;
        // The process thread frees room every cycle (a few milliseconds); sleeping here keeps
        // a stalled or dead server from turning into a busy loop.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!client_.running())
        return MidiErrSystemNotRunning;
    // The reader takes a record only when its whole length is there, so two writes are fine.
    const EventHeader header{size, sentUs};
    jack_ringbuffer_write(ring, reinterpret_cast<const char *>(&header), sizeof header);
    jack_ringbuffer_write(ring, reinterpret_cast<const char *>(bytes), size);
    return MidiOk;
}

void JackMidiOutPort::drain(std::chrono::steady_clock::time_point deadline)
{
    while (jack_ringbuffer_read_space(ring_.get()) != 0) {
        if (!client_.running() || std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The last messages are in the port buffer of a cycle that may still be running; once the
    // next cycle has ended too, the connected port has read them and the port may go.
    client_.waitForCycles(deadline);
}

std::int64_t JackMidiOutPort::dueOffset(const EventHeader &event,
                                        jack_nframes_t cycleStart) const noexcept
{
    // As soon as it can; but a pause the program made (the converter needs 100 ms after each
    // parameter message) is kept on the wire, counted in frames at the server's rate. Events
    // written between cycles would otherwise bunch at cycle starts, and the JACK clock may lag
    // behind the clock the program paced by (a timer-driven server on a busy machine). Keeping
    // shorter gaps too would make every event of a quick exchange wait as long as the slowest
    // one before it.
    constexpr std::int64_t kShortestKeptPauseUs = 20'000;
    constexpr std::int64_t kLongestKeptPauseUs = 10'000'000;
    const std::int64_t gapUs = event.sentUs - lastSentUs_;
    if (!placedAny_ || gapUs < kShortestKeptPauseUs || gapUs > kLongestKeptPauseUs)
        return 0;
    const std::int64_t gapFrames = gapUs * client_.sampleRate() / 1'000'000;
    // Frame counts wrap around at 2^32: the difference is taken in that arithmetic.
    return std::int32_t(lastFrame_ - cycleStart) + gapFrames;
}

void JackMidiOutPort::process(jack_nframes_t frames) noexcept
{
    void *buffer = jack_port_get_buffer(port_, frames);
    jack_midi_clear_buffer(buffer);
    jack_ringbuffer_t *ring = ring_.get();
    const jack_nframes_t start = client_.cycleStart();
    EventHeader event{};
    std::int64_t earliest = 0; // events of a cycle must not go back in time
    while (jack_ringbuffer_peek(ring, reinterpret_cast<char *>(&event), sizeof event) ==
               sizeof event &&
           jack_ringbuffer_read_space(ring) >= sizeof event + event.size) {
        // One due in a later cycle waits for it; the others go in order.
        const std::int64_t due = dueOffset(event, start);
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
    }
}

std::unique_ptr<JackMidiInPort> JackMidiInPort::open(JackClient &client, const std::string &source,
                                                     MidiInputDelivery &delivery,
                                                     MidiResult &result)
{
    jack_port_t *port = openConnected(client, "MIDI in", false, source, result);
    if (!port)
        return nullptr;
    std::unique_ptr<JackMidiInPort> self(new JackMidiInPort(client, port, delivery));
    if (!client.attach(self.get())) {
        result = MidiErrNoMemory;
        return nullptr;
    }
    result = MidiOk;
    return self;
}

JackMidiInPort::JackMidiInPort(JackClient &client, jack_port_t *port, MidiInputDelivery &delivery)
    : client_(client), port_(port), delivery_(delivery)
{
}

JackMidiInPort::~JackMidiInPort()
{
    client_.detach(this);
    client_.unregisterPort(port_);
}

void JackMidiInPort::process(jack_nframes_t frames) noexcept
{
    void *buffer = jack_port_get_buffer(port_, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0)
            delivery_.receive(event.buffer, event.size, client_.eventTime(event.time));
    }
}
