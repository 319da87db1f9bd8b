#include "midi_test_helpers.h"

#include "midi/MyMidiHdr.h"
#include "midi/SharedAlloc.h"

void MidiLeakChecked::SetUp()
{
    sharedBlocks_ = SharedAllocLiveCount();
    headers_ = MyMidiHdrLiveCount();
}

int MidiLeakChecked::newBlocks() const
{
    return SharedAllocLiveCount() - sharedBlocks_;
}

int MidiLeakChecked::newHeaders() const
{
    return MyMidiHdrLiveCount() - headers_;
}

void MidiLeakChecked::TearDown()
{
    SharedAllocFailAfter(-1);
    EXPECT_EQ(SharedAllocLiveCount(), sharedBlocks_) << "shared blocks leaked";
    EXPECT_EQ(MyMidiHdrLiveCount(), headers_) << "TMyMidiHdr objects leaked";
}

void CallbackRecorder::callback(MidiHandle handle, std::uint32_t message, std::uintptr_t instance,
                                std::uintptr_t param1, std::uintptr_t param2) noexcept
{
    MidiCall call{handle, message, param1, param2, std::this_thread::get_id(), {}};
    if (message == MidiMsg::InLongData || message == MidiMsg::InLongError) {
        const auto *header = reinterpret_cast<const MidiHeader *>(param1);
        call.bytes.assign(header->data, header->data + header->bytesRecorded);
    }
    auto *self = reinterpret_cast<CallbackRecorder *>(instance);
    std::lock_guard lock(self->mutex_);
    self->calls_.push_back(std::move(call));
}

std::vector<MidiCall> CallbackRecorder::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<MidiHeader *> CallbackRecorder::completed() const
{
    std::vector<MidiHeader *> headers;
    for (const MidiCall &call : calls()) {
        EXPECT_EQ(call.message, MidiMsg::OutDone);
        headers.push_back(reinterpret_cast<MidiHeader *>(call.param1));
    }
    return headers;
}
