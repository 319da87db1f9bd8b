#include "midi/backend/simulated/LoopbackReceiver.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/ShortMessage.h"

#include <algorithm>
#include <cstring>

LoopbackReceiver::LoopbackReceiver(MidiHandle handle, MidiCallbackFunction callback,
                                   std::uintptr_t instance)
    : handle_(handle), callback_(callback), instance_(instance)
{
}

MidiResult LoopbackReceiver::addBuffer(MidiHeader *header)
{
    if (const MidiResult result = queueHeader(handle_, header); result != MidiOk)
        return result;
    buffers_.push_back(header);
    return MidiOk;
}

void LoopbackReceiver::start()
{
    if (started_)
        return;
    started_ = true;
    startTime_ = std::chrono::steady_clock::now();
}

void LoopbackReceiver::reset()
{
    while (!buffers_.empty())
        handBack(MidiMsg::InLongData);
    started_ = false;
}

void LoopbackReceiver::receiveShort(std::uint32_t word)
{
    if (!started_)
        return;
    const bool valid = (word & 0x80) != 0;
    callback_(handle_, valid ? MidiMsg::InData : MidiMsg::InError, instance_, word, time());
}

std::size_t LoopbackReceiver::receiveStream(const std::uint8_t *bytes, std::size_t size)
{
    std::size_t dropped = 0;
    std::uint8_t running = 0;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t byte = bytes[i];
        if (byte == SysexStart) {
            const std::uint8_t *end = std::find(bytes + i + 1, bytes + size, SysexEnd);
            const bool complete = end != bytes + size;
            const std::size_t length = (complete ? end + 1 : end) - (bytes + i);
            dropped += receiveSysex(bytes + i, length, complete);
            i += length;
            running = 0;
        } else if (isRealTime(byte)) {
            receiveShort(byte);
            ++i;
        } else if (byte >= 0x80) {
            running = byte < SysexStart ? byte : 0;
            const std::size_t length =
                std::min(std::max<std::size_t>(1, shortMessageLength(byte)), size - i);
            receiveShort(packShortMessage(bytes + i, length));
            i += length;
        } else if (running != 0) {
            std::uint8_t message[3] = {running, 0, 0};
            const std::size_t data = std::min(shortMessageLength(running) - 1, size - i);
            std::memcpy(message + 1, bytes + i, data);
            receiveShort(packShortMessage(message, data + 1));
            i += data;
        } else {
            ++i; // a data byte with no status before it means nothing
        }
    }
    return dropped;
}

std::size_t LoopbackReceiver::receiveSysex(const std::uint8_t *bytes, std::size_t size,
                                           bool complete)
{
    if (!started_)
        return 0;
    while (size > 0) {
        if (buffers_.empty())
            return size;
        MidiHeader *header = buffers_.front();
        const std::size_t chunk =
            std::min<std::size_t>(header->bufferLength - header->bytesRecorded, size);
        std::memcpy(header->data + header->bytesRecorded, bytes, chunk);
        header->bytesRecorded += static_cast<std::uint32_t>(chunk);
        bytes += chunk;
        size -= chunk;
        if (size > 0)
            handBack(MidiMsg::InLongData); // full: the message goes on in the next one
        else
            handBack(complete ? MidiMsg::InLongData : MidiMsg::InLongError);
    }
    return 0;
}

void LoopbackReceiver::handBack(std::uint32_t message)
{
    MidiHeader *header = buffers_.front();
    buffers_.pop_front();
    handBackHeader(header);
    callback_(handle_, message, instance_, reinterpret_cast<std::uintptr_t>(header), time());
}

std::uint32_t LoopbackReceiver::time() const
{
    if (!started_)
        return 0;
    const auto elapsed = std::chrono::steady_clock::now() - startTime_;
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}
