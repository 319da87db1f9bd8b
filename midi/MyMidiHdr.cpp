#include "midi/MyMidiHdr.h"

#include "midi/backend/MidiServices.h"

#include <atomic>

namespace {
std::atomic<int> liveHeaders{0};
}

TMyMidiHdr::TMyMidiHdr(std::uint16_t size)
{
    liveHeaders.fetch_add(1, std::memory_order_relaxed);
    if (size == 0)
        return;
    SharedHandle headerHandle = 0;
    MidiHeader *header = SharedNew<MidiHeader>(headerHandle);
    const SharedBlock data = SharedAlloc(size);
    if (!header || !data.address) {
        SharedDelete(headerHandle, header);
        SharedFree(data.handle, data.address);
        return;
    }
    HeaderHandle = headerHandle;
    Header = header;
    DataHandle = data.handle;
    Data = static_cast<std::uint8_t *>(data.address);
    Header->data = Data;
    Header->bufferLength = size;
}

TMyMidiHdr::~TMyMidiHdr()
{
    SharedDelete(HeaderHandle, Header);
    SharedFree(DataHandle, Data);
    liveHeaders.fetch_sub(1, std::memory_order_relaxed);
}

int MyMidiHdrLiveCount()
{
    return liveHeaders.load(std::memory_order_relaxed);
}
