#include "midi/MyMidiHdr.h"

#include "midi/backend/MidiServices.h"

#include <atomic>
#include <memory>

namespace {
std::atomic<int> liveHeaders{0};
}

TMyMidiHdr::TMyMidiHdr(std::uint16_t size)
{
    liveHeaders.fetch_add(1, std::memory_order_relaxed);
    if (size == 0)
        return;
    const SharedBlock header = SharedAlloc(sizeof(MidiHeader));
    const SharedBlock data = SharedAlloc(size);
    if (!header.address || !data.address) {
        SharedFree(header.handle, header.address);
        SharedFree(data.handle, data.address);
        return;
    }
    HeaderHandle = header.handle;
    Header = std::construct_at(static_cast<MidiHeader *>(header.address));
    DataHandle = data.handle;
    Data = static_cast<std::uint8_t *>(data.address);
    Header->data = Data;
    Header->bufferLength = size;
}

TMyMidiHdr::~TMyMidiHdr()
{
    if (Header)
        std::destroy_at(Header);
    SharedFree(HeaderHandle, Header);
    SharedFree(DataHandle, Data);
    liveHeaders.fetch_sub(1, std::memory_order_relaxed);
}

int MyMidiHdrLiveCount()
{
    return liveHeaders.load(std::memory_order_relaxed);
}
