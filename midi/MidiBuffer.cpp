#include "midi/MidiBuffer.h"

TMidiCallbackBlock *CallbackBlockAlloc()
{
    SharedHandle handle = 0;
    auto *block = SharedNew<TMidiCallbackBlock>(handle);
    if (!block)
        return nullptr;
    block->BlockHandle = handle;
    block->Ring = nullptr;
    block->Window = nullptr;
    block->SysexOnly.store(0, std::memory_order_relaxed);
    return block;
}

void CallbackBlockFree(TMidiCallbackBlock *block)
{
    if (block)
        SharedDelete(block->BlockHandle, block);
}

namespace {
// One-byte real-time messages that arrive many times a second and mean nothing to the editor.
constexpr std::uintptr_t ActiveSensing = 0xFE;
constexpr std::uintptr_t TimingClock = 0xF8;

void post(NotificationQueue *window, std::uint32_t number, std::uintptr_t param) noexcept
{
    if (window)
        window->post(number, param);
}
} // namespace

void MidiCallback(MidiHandle, std::uint32_t message, std::uintptr_t instance, std::uintptr_t param1,
                  std::uintptr_t param2) noexcept
{
    auto *block = reinterpret_cast<TMidiCallbackBlock *>(instance);
    switch (message) {
    case MidiMsg::InData:
    case MidiMsg::InLongData:
    case MidiMsg::InLongError: {
        // For the two long-message kinds param1 is a header address and never matches.
        if (param1 == ActiveSensing || param1 == TimingClock)
            return;
        if (!block)
            return;
        if (message == MidiMsg::InData && block->SysexOnly.load(std::memory_order_relaxed) != 0)
            return;
        if (!block->Ring)
            return;
        TMidiRingEvent event;
        event.Timestamp = static_cast<std::uint32_t>(param2);
        if (message == MidiMsg::InData) {
            event.Data = static_cast<std::uint32_t>(param1);
            event.SysexHeader = nullptr;
        } else {
            event.Data = 0;
            event.SysexHeader = reinterpret_cast<MidiHeader *>(param1);
        }
        // One notification per item, stored or dropped.
        if (RingPut(block->Ring, event))
            post(block->Window, NotifyItemStored, 0);
        else
            post(block->Window, NotifyItemDropped, 0);
        return;
    }
    case MidiMsg::OutDone:
        if (block)
            post(block->Window, NotifyOutputDone, param1);
        return;
    default:
        // Opened, closed, erroneous short message and anything else: nothing to do.
        return;
    }
}
