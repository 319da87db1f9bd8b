#include "midi/backend/MidiInputDelivery.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/ShortMessage.h"

#include <thread>

MidiInputDelivery::MidiInputDelivery(MidiHandle handle, MidiCallbackFunction callback,
                                     std::uintptr_t instance, std::size_t maxBuffers)
    : handle_(handle), callback_(callback), instance_(instance),
      slots_(std::make_unique<MidiHeader *[]>(maxBuffers + 1)), capacity_(maxBuffers + 1)
{
}

MidiResult MidiInputDelivery::addBuffer(MidiHeader *header)
{
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t next = (tail + 1) % capacity_;
    if (next == head_.load(std::memory_order_acquire))
        return MidiErrNoMemory;
    markHeaderQueued(header);
    slots_[tail] = header;
    held_.fetch_add(1, std::memory_order_acq_rel);
    tail_.store(next, std::memory_order_release);
    return MidiOk;
}

void MidiInputDelivery::start(std::uint64_t nowUs)
{
    if (enabled_.load(std::memory_order_seq_cst))
        return; // already running: the time base stays
    // Delivery is off (before the first start, or after reset), so the consumer state is ours.
    lastMs_ = 0;
    startUs_.store(nowUs, std::memory_order_relaxed);
    enabled_.store(true, std::memory_order_seq_cst);
}

void MidiInputDelivery::reset()
{
    enabled_.store(false, std::memory_order_seq_cst);
    // A receive() that saw delivery on is still running: it never blocks, so wait it out.
    while (busy_.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
    if (current_)
        handBack(current_, MidiMsg::InLongData, 0);
    current_ = nullptr;
    inSysex_ = false;
    dropping_ = false;
    while (MidiHeader *header = takeBuffer())
        handBack(header, MidiMsg::InLongData, 0);
}

void MidiInputDelivery::receive(const std::uint8_t *bytes, std::size_t size,
                                std::uint64_t timeUs) noexcept
{
    busy_.fetch_add(1, std::memory_order_seq_cst);
    if (enabled_.load(std::memory_order_seq_cst)) {
        const std::uint64_t start = startUs_.load(std::memory_order_relaxed);
        auto ms = std::uint32_t(timeUs > start ? (timeUs - start) / 1000 : 0);
        // JACK's frame-to-time estimate wobbles by a little from cycle to cycle; time stamps
        // must never go back.
        if (ms < lastMs_)
            ms = lastMs_;
        lastMs_ = ms;
        parse(bytes, size, ms);
    }
    busy_.fetch_sub(1, std::memory_order_seq_cst);
}

void MidiInputDelivery::lost() noexcept
{
    busy_.fetch_add(1, std::memory_order_seq_cst);
    if (enabled_.load(std::memory_order_seq_cst) && inSysex_)
        endSysex(MidiMsg::InLongError, lastMs_);
    busy_.fetch_sub(1, std::memory_order_seq_cst);
}

void MidiInputDelivery::parse(const std::uint8_t *bytes, std::size_t size,
                              std::uint32_t ms) noexcept
{
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = bytes[i];
        if (isRealTime(byte)) {
            emit(MidiMsg::InData, byte, ms);
            continue;
        }
        if (inSysex_) {
            if (byte < 0x80 || byte == SysexEnd) {
                sysexByte(byte, ms);
                if (byte == SysexEnd)
                    endSysex(MidiMsg::InLongData, ms);
                continue;
            }
            endSysex(MidiMsg::InLongError, ms); // any other status byte cuts the SysEx short
        }
        if (byte == SysexStart) {
            inSysex_ = true;
            dropping_ = false;
            sysexByte(byte, ms);
            continue;
        }
        if (byte < 0x80 || byte == SysexEnd) { // data without a status: not a message
            emit(MidiMsg::InError, byte, ms);
            continue;
        }
        const std::size_t length = shortMessageLength(byte);
        std::size_t available = 1;
        while (available < length && i + available < size && bytes[i + available] < 0x80)
            ++available;
        const std::uint32_t word = packShortMessage(bytes + i, available);
        emit(available == length ? MidiMsg::InData : MidiMsg::InError, word, ms);
        i += available - 1;
    }
}

void MidiInputDelivery::sysexByte(std::uint8_t byte, std::uint32_t ms) noexcept
{
    if (!current_) {
        if (dropping_)
            return;
        current_ = takeBuffer();
        if (!current_) {
            dropping_ = true;
            return;
        }
    }
    current_->data[current_->bytesRecorded++] = byte;
    // A full buffer goes back at once; the SysEx continues in the next one.
    if (current_->bytesRecorded == current_->bufferLength && byte != SysexEnd) {
        handBack(current_, MidiMsg::InLongData, ms);
        current_ = nullptr;
    }
}

void MidiInputDelivery::endSysex(std::uint32_t message, std::uint32_t ms) noexcept
{
    if (current_)
        handBack(current_, message, ms);
    current_ = nullptr;
    inSysex_ = false;
    dropping_ = false;
}

MidiHeader *MidiInputDelivery::takeBuffer() noexcept
{
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire))
        return nullptr;
    MidiHeader *header = slots_[head];
    head_.store((head + 1) % capacity_, std::memory_order_release);
    return header;
}

void MidiInputDelivery::handBack(MidiHeader *header, std::uint32_t message,
                                 std::uint32_t ms) noexcept
{
    handBackHeader(header);
    held_.fetch_sub(1, std::memory_order_acq_rel);
    callback_(handle_, message, instance_, reinterpret_cast<std::uintptr_t>(header), ms);
}

void MidiInputDelivery::emit(std::uint32_t message, std::uint32_t word, std::uint32_t ms) noexcept
{
    callback_(handle_, message, instance_, word, ms);
}
