#include "midi/backend/rtmidi/RtMidiPorts.h"

#include "midi/backend/MonotonicClock.h"
#include "midi/backend/ShortMessage.h"

#include <chrono>

namespace {

// Index of the port named exactly name in the object's own list, or -1.
int findPort(RtMidi &midi, const std::string &name)
{
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (midi.getPortName(i) == name)
            return int(i);
    }
    return -1;
}

// Opens the port named portName in the object's own list as our port ourName; failed, when
// given, is what the object's error callback sets meanwhile.
MidiResult openNamedPort(RtMidi &midi, const std::string &portName, const std::string &ourName,
                         const std::atomic<bool> *failed = nullptr)
{
    const int index = findPort(midi, portName);
    if (index < 0)
        return MidiErrDeviceRemoved;
    midi.openPort(unsigned(index), ourName);
    if ((failed && failed->load()) || !midi.isPortOpen())
        return MidiErrNotEnabled;
    return MidiOk;
}

// open(result) makes the object and opens its port; RtMidi's and the allocator's exceptions
// become result codes, and an object whose port did not open is dropped.
template <class Object, class Open>
std::unique_ptr<Object> guardedOpen(MidiResult &result, Open open)
{
    try {
        std::unique_ptr<Object> object = open(result);
        if (result == MidiOk)
            return object;
    } catch (const RtMidiError &) {
        result = MidiErrNotEnabled;
    } catch (const std::bad_alloc &) {
        result = MidiErrNoMemory;
    }
    return nullptr;
}

} // namespace

std::vector<std::string> rtMidiPortNames(RtMidi &lister, const std::string &ownClientName)
{
    std::vector<std::string> names;
    const std::string ownPrefix = ownClientName + ":";
    const unsigned count = lister.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string name = lister.getPortName(i);
        if (!name.empty() && name.rfind(ownPrefix, 0) != 0)
            names.push_back(std::move(name));
    }
    return names;
}

std::unique_ptr<RtMidiOutWire> RtMidiOutWire::open(RtMidi::Api api, const std::string &clientName,
                                                   const std::string &portName, MidiResult &result)
{
    return guardedOpen<RtMidiOutWire>(result, [&](MidiResult &opened) {
        std::unique_ptr<RtMidiOutWire> self(
            new RtMidiOutWire(std::make_unique<RtMidiOut>(api, clientName)));
        opened = openNamedPort(*self->out_, portName, clientName + " out", &self->failed_);
        return self;
    });
}

RtMidiOutWire::RtMidiOutWire(std::unique_ptr<RtMidiOut> out) : out_(std::move(out))
{
    out_->setErrorCallback(&RtMidiOutWire::onError, this);
}

void RtMidiOutWire::onError(RtMidiError::Type, const std::string &, void *self)
{
    static_cast<RtMidiOutWire *>(self)->failed_.store(true);
}

MidiResult RtMidiOutWire::write(const std::uint8_t *bytes, std::size_t size,
                                std::chrono::steady_clock::time_point,
                                const std::atomic<bool> &abandon)
{
    return writeMessageByMessage(
        bytes, size, abandon,
        [this](const std::uint8_t *message, std::size_t length) { return send(message, length); });
}

MidiResult RtMidiOutWire::send(const std::uint8_t *bytes, std::size_t size)
{
    failed_.store(false);
    try {
        out_->sendMessage(bytes, size);
    } catch (const RtMidiError &) {
        failed_.store(true);
    }
    const bool failed = failed_.load();
    lastFailed_.store(failed);
    return failed ? MidiErrNotReady : MidiOk;
}

MidiResult RtMidiOutWire::drain(std::chrono::steady_clock::time_point, const std::atomic<bool> &)
{
    // RtMidi hands each message to the system before sendMessage returns, so nothing of ours
    // is left to wait for.
    return health();
}

MidiResult RtMidiOutWire::health() const
{
    return lastFailed_.load() ? MidiErrNotReady : MidiOk;
}

std::unique_ptr<RtMidiInSource> RtMidiInSource::open(RtMidi::Api api, const std::string &clientName,
                                                     const std::string &portName,
                                                     MidiInputDelivery &delivery,
                                                     MidiResult &result)
{
    return guardedOpen<RtMidiInSource>(result, [&](MidiResult &opened) {
        auto in = std::make_unique<RtMidiIn>(api, clientName);
        in->setErrorCallback(&RtMidiInSource::onError, nullptr);
        // SysEx, clock and active sensing all pass; the editor's callback drops the last two.
        in->ignoreTypes(false, false, false);
        std::unique_ptr<RtMidiInSource> self(new RtMidiInSource(std::move(in), delivery));
        opened = openNamedPort(*self->in_, portName, clientName + " in");
        return self;
    });
}

RtMidiInSource::RtMidiInSource(std::unique_ptr<RtMidiIn> in, MidiInputDelivery &delivery)
    : in_(std::move(in)), delivery_(delivery)
{
    in_->setCallback(&RtMidiInSource::onMessage, this);
}

RtMidiInSource::~RtMidiInSource()
{
    in_->closePort();
    in_->cancelCallback();
}

std::uint64_t RtMidiInSource::now()
{
    return monotonicMicroseconds();
}

void RtMidiInSource::onMessage(double, std::vector<unsigned char> *message, void *self)
{
    auto *source = static_cast<RtMidiInSource *>(self);
    if (message && !message->empty())
        source->delivery_.receive(message->data(), message->size(), now());
}
