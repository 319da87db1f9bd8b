#include "midi/backend/MidiOutputSender.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/ShortMessage.h"

MidiOutputSender::MidiOutputSender(MidiWire &wire, MidiHandle handle, MidiCallbackFunction callback,
                                   std::uintptr_t instance)
    : wire_(wire), handle_(handle), callback_(callback), instance_(instance)
{
    thread_ = std::thread([this] { run(); });
}

MidiOutputSender::~MidiOutputSender()
{
    close();
}

MidiResult MidiOutputSender::sendShort(std::uint32_t word)
{
    Item item;
    item.sentAt = std::chrono::steady_clock::now();
    item.bytes = unpackShortMessage(word);
    // A data byte in the status position would be running status, and F0/F7 belong to long
    // messages: neither can travel on its own as one event of the system.
    const std::size_t size = shortMessageLength(item.bytes[0]);
    if (item.bytes[0] < 0x80 || size == 0)
        return MidiErrInvalidParam;
    item.size = std::uint8_t(size);
    if (const MidiResult health = wire_.health(); health != MidiOk)
        return health;
    {
        std::lock_guard lock(mutex_);
        if (closing_)
            return MidiErrInvalidHandle;
        queue_.push_back(item);
    }
    wake_.notify_one();
    return MidiOk;
}

MidiResult MidiOutputSender::sendLong(MidiHeader *header)
{
    if (const MidiResult health = wire_.health(); health != MidiOk)
        return health;
    {
        std::lock_guard lock(mutex_);
        if (closing_)
            return MidiErrInvalidHandle;
        markHeaderQueued(header);
        Item item;
        item.header = header;
        item.sentAt = std::chrono::steady_clock::now();
        queue_.push_back(item);
    }
    wake_.notify_one();
    return MidiOk;
}

void MidiOutputSender::close(std::chrono::milliseconds drainLimit)
{
    if (!thread_.joinable())
        return;
    {
        std::unique_lock lock(mutex_);
        closing_ = true;
        deadline_ = std::chrono::steady_clock::now() + drainLimit;
        wake_.notify_one();
        // The wire's write and drain give up on abandon_ / the deadline, so once the limit has
        // passed the sender only hands back what is left, which takes no time.
        if (!stopped_.wait_until(lock, deadline_, [this] { return finished_; }))
            abandon_.store(true);
    }
    thread_.join();
}

void MidiOutputSender::handBack(MidiHeader *header)
{
    handBackHeader(header);
    callback_(handle_, MidiMsg::OutDone, instance_, reinterpret_cast<std::uintptr_t>(header), 0);
}

void MidiOutputSender::run()
{
    for (;;) {
        Item item;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            if (queue_.empty())
                break;
            item = queue_.front();
            queue_.pop_front();
        }
        if (!abandon_.load()) {
            // A failed write loses the message; the wire's health() makes the next send fail
            // with the reason (for example, the MIDI system is not running).
            if (item.header)
                wire_.write(item.header->data, item.header->bufferLength, item.sentAt, abandon_);
            else
                wire_.write(item.bytes.data(), item.size, item.sentAt, abandon_);
        }
        if (item.header)
            handBack(item.header);
    }
    if (!abandon_.load())
        wire_.drain(deadline_);
    std::lock_guard lock(mutex_);
    finished_ = true;
    stopped_.notify_all();
}
