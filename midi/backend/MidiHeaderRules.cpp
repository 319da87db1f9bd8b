#include "midi/backend/MidiHeaderRules.h"

#include <atomic>

namespace {

void changeFlags(MidiHeader *header, std::uint32_t set, std::uint32_t clear) noexcept
{
    std::atomic_ref<std::uint32_t> flags(header->flags);
    flags.store((flags.load() | set) & ~clear);
}

} // namespace

std::uint32_t headerFlags(const MidiHeader *header) noexcept
{
    return std::atomic_ref<std::uint32_t>(const_cast<MidiHeader *>(header)->flags).load();
}

MidiResult prepareHeader(MidiHandle handle, MidiHeader *header) noexcept
{
    if (!header || !header->data || header->bufferLength == 0)
        return MidiErrInvalidParam;
    if (headerFlags(header) & MidiHdrInQueue)
        return MidiErrStillPlaying;
    header->reserved = handle;
    changeFlags(header, MidiHdrPrepared, MidiHdrDone);
    return MidiOk;
}

MidiResult checkHeaderQueueable(MidiHandle handle, const MidiHeader *header) noexcept
{
    if (!header)
        return MidiErrInvalidParam;
    const std::uint32_t flags = headerFlags(header);
    if (!(flags & MidiHdrPrepared) || header->reserved != handle)
        return MidiErrUnprepared;
    if (flags & MidiHdrInQueue)
        return MidiErrStillPlaying;
    return MidiOk;
}

void markHeaderQueued(MidiHeader *header) noexcept
{
    header->bytesRecorded = 0;
    changeFlags(header, MidiHdrInQueue, MidiHdrDone);
}

MidiResult queueHeader(MidiHandle handle, MidiHeader *header) noexcept
{
    const MidiResult result = checkHeaderQueueable(handle, header);
    if (result == MidiOk)
        markHeaderQueued(header);
    return result;
}

void handBackHeader(MidiHeader *header) noexcept
{
    changeFlags(header, MidiHdrDone, MidiHdrInQueue);
}

MidiResult unprepareHeader(MidiHandle handle, MidiHeader *header) noexcept
{
    if (!header)
        return MidiErrInvalidParam;
    const std::uint32_t flags = headerFlags(header);
    if (!(flags & MidiHdrPrepared))
        return MidiOk;
    if (header->reserved != handle)
        return MidiErrUnprepared;
    if (flags & MidiHdrInQueue)
        return MidiErrStillPlaying;
    changeFlags(header, 0, MidiHdrPrepared);
    header->reserved = 0;
    return MidiOk;
}
