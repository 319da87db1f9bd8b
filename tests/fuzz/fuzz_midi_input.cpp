// The MIDI ports' receiving and completion path, MidiCallback + event ring + notification sink +
// TMidiInput / TMidiOutput, driven by an arbitrary sequence of driver events and port calls.
//
// The input is a program for a small driver that keeps the MidiServices contract (it delivers
// only while started, into buffers it was given, hands every buffer back on reset and every
// queued message back on close) but otherwise does anything: short messages of any word and
// time, SysEx of any length into the queued buffers, complete or cut short, every other message
// kind with any parameter, refusals of any call, allocation failures while opening, and the
// ports opened, closed, re-sized and switched between them at any point.
//
// What must hold: no memory error, no leak (ports are made and destroyed per input), the ring
// never holds more than its slots, every received item is either stored or dropped with its
// notification and reaches the port as OnMidiInput or OnOverflow, and every long message sent
// comes back exactly once.
#include "FuzzCheck.h"
#include "midi/MidiBuffer.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/MyMidiHdr.h"
#include "midi/SharedAlloc.h"
#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/MidiServices.h"

#include <QCoreApplication>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

enum class Call {
    OpenInput,
    CloseInput,
    PrepareInput,
    AddBuffer,
    Start,
    Reset,
    UnprepareInput,
    OpenOutput,
    CloseOutput,
    SendShort,
    PrepareOutput,
    SendLong,
    UnprepareOutput,
    Count
};

// One input device and one output device, played by the fuzz input.
class FuzzDriver final : public MidiServices
{
public:
    static constexpr MidiHandle InputHandle = 0x51;
    static constexpr MidiHandle OutputHandle = 0x52;

    // The next call of this kind fails with this code (once).
    MidiResult refusal[int(Call::Count)] = {};
    std::deque<MidiHeader *> inputBuffers;
    std::deque<MidiHeader *> outputQueue;
    bool inputOpen = false, started = false, outputOpen = false;
    MidiCallbackFunction inCallback = nullptr, outCallback = nullptr;
    std::uintptr_t inInstance = 0, outInstance = 0;
    int outputsHandedBack = 0, outputsQueued = 0;

    MidiResult refused(Call call)
    {
        const MidiResult code = refusal[int(call)];
        refusal[int(call)] = MidiOk;
        return code;
    }

    void toInput(std::uint32_t message, std::uintptr_t p1, std::uintptr_t p2)
    {
        if (inputOpen && started)
            inCallback(InputHandle, message, inInstance, p1, p2);
    }

    // Copies bytes into the oldest queued buffer and hands it back.
    void sysex(const std::vector<std::uint8_t> &bytes, bool complete, std::uint32_t time)
    {
        if (!inputOpen || !started || inputBuffers.empty())
            return;
        MidiHeader *header = inputBuffers.front();
        inputBuffers.pop_front();
        const std::size_t n = std::min<std::size_t>(bytes.size(), header->bufferLength);
        if (n > 0)
            std::memcpy(header->data, bytes.data(), n);
        handBackInput(header, std::uint32_t(n),
                      complete ? MidiMsg::InLongData : MidiMsg::InLongError, time);
    }

    void completeOutput()
    {
        if (!outputOpen || outputQueue.empty())
            return;
        MidiHeader *header = outputQueue.front();
        outputQueue.pop_front();
        handBackOutput(header);
    }

    void toOutput(std::uint32_t message, std::uintptr_t p1, std::uintptr_t p2)
    {
        if (outputOpen)
            outCallback(OutputHandle, message, outInstance, p1, p2);
    }

    std::uint32_t outputDeviceCount() override { return 1; }
    MidiResult outputDeviceCaps(int id, MidiOutCaps &caps) override
    {
        if (id != 0)
            return MidiErrBadDeviceId;
        caps = MidiOutCaps{};
        caps.name = "Fuzz Out";
        return MidiOk;
    }
    MidiResult openOutput(MidiHandle &handle, int id, MidiCallbackFunction callback,
                          std::uintptr_t instance) override
    {
        if (id != 0)
            return MidiErrBadDeviceId;
        if (outputOpen)
            return MidiErrAllocated;
        if (const MidiResult r = refused(Call::OpenOutput))
            return r;
        outputOpen = true;
        outCallback = callback;
        outInstance = instance;
        handle = OutputHandle;
        return MidiOk;
    }
    MidiResult closeOutput(MidiHandle handle) override
    {
        if (handle != OutputHandle || !outputOpen)
            return MidiErrInvalidHandle;
        if (const MidiResult r = refused(Call::CloseOutput))
            return r;
        while (!outputQueue.empty())
            completeOutput();
        outputOpen = false;
        return MidiOk;
    }
    MidiResult sendShortMessage(MidiHandle handle, std::uint32_t) override
    {
        if (handle != OutputHandle || !outputOpen)
            return MidiErrInvalidHandle;
        return refused(Call::SendShort);
    }
    MidiResult prepareOutputHeader(MidiHandle handle, MidiHeader *header) override
    {
        if (handle != OutputHandle || !outputOpen)
            return MidiErrInvalidHandle;
        if (const MidiResult r = refused(Call::PrepareOutput))
            return r;
        return prepareHeader(handle, header);
    }
    MidiResult sendLongMessage(MidiHandle handle, MidiHeader *header) override
    {
        if (handle != OutputHandle || !outputOpen)
            return MidiErrInvalidHandle;
        if (const MidiResult r = checkHeaderQueueable(handle, header))
            return r;
        if (const MidiResult r = refused(Call::SendLong))
            return r;
        markHeaderQueued(header);
        outputQueue.push_back(header);
        ++outputsQueued;
        return MidiOk;
    }
    MidiResult unprepareOutputHeader(MidiHandle handle, MidiHeader *header) override
    {
        if (handle != OutputHandle)
            return MidiErrInvalidHandle;
        if (const MidiResult r = refused(Call::UnprepareOutput))
            return r;
        return unprepareHeader(handle, header);
    }

    std::uint32_t inputDeviceCount() override { return 1; }
    MidiResult inputDeviceCaps(int id, MidiInCaps &caps) override
    {
        if (id != 0)
            return MidiErrBadDeviceId;
        caps = MidiInCaps{};
        caps.name = "Fuzz In";
        return MidiOk;
    }
    MidiResult openInput(MidiHandle &handle, int id, MidiCallbackFunction callback,
                         std::uintptr_t instance) override
    {
        if (id != 0)
            return MidiErrBadDeviceId;
        if (inputOpen)
            return MidiErrAllocated;
        if (const MidiResult r = refused(Call::OpenInput))
            return r;
        inputOpen = true;
        started = false;
        inCallback = callback;
        inInstance = instance;
        handle = InputHandle;
        return MidiOk;
    }
    MidiResult closeInput(MidiHandle handle) override
    {
        if (handle != InputHandle || !inputOpen)
            return MidiErrInvalidHandle;
        if (!inputBuffers.empty())
            return MidiErrStillPlaying;
        if (const MidiResult r = refused(Call::CloseInput))
            return r;
        inputOpen = started = false;
        return MidiOk;
    }
    MidiResult prepareInputHeader(MidiHandle handle, MidiHeader *header) override
    {
        if (handle != InputHandle || !inputOpen)
            return MidiErrInvalidHandle;
        if (const MidiResult r = refused(Call::PrepareInput))
            return r;
        return prepareHeader(handle, header);
    }
    MidiResult addInputBuffer(MidiHandle handle, MidiHeader *header) override
    {
        if (handle != InputHandle || !inputOpen)
            return MidiErrInvalidHandle;
        if (const MidiResult r = checkHeaderQueueable(handle, header))
            return r;
        if (const MidiResult r = refused(Call::AddBuffer))
            return r;
        markHeaderQueued(header);
        inputBuffers.push_back(header);
        return MidiOk;
    }
    MidiResult startInput(MidiHandle handle) override
    {
        if (handle != InputHandle || !inputOpen)
            return MidiErrInvalidHandle;
        if (const MidiResult r = refused(Call::Start))
            return r;
        started = true;
        return MidiOk;
    }
    MidiResult resetInput(MidiHandle handle) override
    {
        if (handle != InputHandle || !inputOpen)
            return MidiErrInvalidHandle;
        if (const MidiResult r = refused(Call::Reset))
            return r;
        started = false;
        while (!inputBuffers.empty()) {
            MidiHeader *header = inputBuffers.front();
            inputBuffers.pop_front();
            handBackInput(header, 0, MidiMsg::InLongData, 0);
        }
        return MidiOk;
    }
    MidiResult unprepareInputHeader(MidiHandle handle, MidiHeader *header) override
    {
        if (handle != InputHandle)
            return MidiErrInvalidHandle;
        if (const MidiResult r = refused(Call::UnprepareInput))
            return r;
        return unprepareHeader(handle, header);
    }

private:
    void handBackInput(MidiHeader *header, std::uint32_t recorded, std::uint32_t message,
                       std::uint32_t time)
    {
        header->bytesRecorded = recorded;
        handBackHeader(header);
        inCallback(InputHandle, message, inInstance, reinterpret_cast<std::uintptr_t>(header),
                   time);
    }
    void handBackOutput(MidiHeader *header)
    {
        handBackHeader(header);
        ++outputsHandedBack;
        outCallback(OutputHandle, MidiMsg::OutDone, outInstance,
                    reinterpret_cast<std::uintptr_t>(header), 0);
    }
};

} // namespace

// A device that refuses to close makes its port leave memory behind on purpose (the driver
// might still write into it). That path is taken this many times per run and no more, or the
// deliberate leftovers would pile up over millions of inputs.
constexpr int MaxAbandonments = 64;
int abandonments = 0;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The ports' notification sinks watch their wake-ups through the event dispatcher.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const int blocksBefore = SharedAllocLiveCount();
    const int headersBefore = MyMidiHdrLiveCount();
    bool abandoned = false; // a port gave up memory a device that would not close may still use
    {
        FuzzDriver driver;
        TMidiInput input(driver);
        TMidiOutput output(driver);
        std::uint64_t inputs = 0, overflows = 0, outputsDone = 0;
        input.OnMidiInput = [&](QObject *) { ++inputs; };
        input.OnOverflow = [&](QObject *) { ++overflows; };
        output.Onmidioutput = [&](QObject *) { ++outputsDone; };
        input.SetSysexBufferCount(in.ConsumeIntegralInRange<std::uint16_t>(0, 8));
        input.SetSysexBufferSize(in.ConsumeIntegralInRange<std::uint16_t>(0, 64));
        input.SetCapacity(in.ConsumeIntegralInRange<std::uint16_t>(0, 40));

        // Items the callback must keep (stored or dropped, each with its notification) since
        // the last delivery, and whether the port stayed open all that time: only then does
        // every one of them reach OnMidiInput or OnOverflow.
        std::uint64_t kept = 0, reportedBefore = 0;
        bool openThroughout = false, sysexOnly = false;
        const auto receive = [&](std::uint32_t kind, std::uint32_t word) {
            // A port whose ring could not be allocated drops what arrives without a word.
            const bool deliverable = driver.inputOpen && driver.started && input.EventRing();
            if (!deliverable || word == 0xFE || word == 0xF8)
                return;
            if (kind == MidiMsg::InData && sysexOnly)
                return;
            ++kept;
        };
        const auto deliver = [&] {
            input.NotifyWindow().deliverPending();
            output.NotifyWindow().deliverPending();
            if (openThroughout && input.PortState() == psOpen)
                FUZZ_CHECK(inputs + overflows - reportedBefore == kept);
            kept = 0;
            reportedBefore = inputs + overflows;
            openThroughout = input.PortState() == psOpen;
        };

        while (in.remaining_bytes() > 0) {
            try {
                switch (in.ConsumeIntegralInRange(0, 15)) {
                case 0:
                case 1: {
                    const auto word = in.ConsumeIntegral<std::uint32_t>();
                    receive(MidiMsg::InData, word);
                    driver.toInput(MidiMsg::InData, word, in.ConsumeIntegral<std::uint32_t>());
                    break;
                }
                case 2: {
                    const bool complete = in.ConsumeBool();
                    const auto bytes = in.ConsumeBytes<std::uint8_t>(
                        in.ConsumeIntegralInRange<std::size_t>(0, 80));
                    if (!driver.inputBuffers.empty())
                        receive(MidiMsg::InLongData, 0);
                    driver.sysex(bytes, complete, in.ConsumeIntegral<std::uint32_t>());
                    break;
                }
                case 3: {
                    // Any other kind with any word; long-message kinds only as the contract
                    // allows them, with a header of ours.
                    const std::uint32_t kind = in.PickValueInArray<std::uint32_t>(
                        {MidiMsg::InOpen, MidiMsg::InClose, MidiMsg::InError, MidiMsg::OutOpen,
                         MidiMsg::OutClose, MidiMsg::OutDone, 0, 970, 0xFFFFFFFF});
                    const std::uintptr_t p1 = in.ConsumeIntegral<std::uint32_t>();
                    if (in.ConsumeBool())
                        driver.toInput(kind, p1, 0);
                    else if (kind != MidiMsg::OutDone)
                        driver.toOutput(kind, p1, 0);
                    break;
                }
                case 4:
                    deliver();
                    QCoreApplication::processEvents();
                    break;
                case 5:
                    sysexOnly = in.ConsumeBool();
                    input.SetSysexOnly(sysexOnly);
                    break;
                case 6:
                    openThroughout = false;
                    input.Close();
                    break;
                case 7:
                    // An allocation that fails part-way through opening.
                    openThroughout = false;
                    if (in.ConsumeBool())
                        SharedAllocFailAfter(in.ConsumeIntegralInRange(0, 12));
                    input.Open();
                    SharedAllocFailAfter(-1);
                    input.Start();
                    break;
                case 8:
                    input.SetCapacity(in.ConsumeIntegralInRange<std::uint16_t>(0, 2000));
                    input.SetSysexBufferCount(in.ConsumeIntegralInRange<std::uint16_t>(0, 8));
                    input.SetSysexBufferSize(in.ConsumeIntegralInRange<std::uint16_t>(0, 64));
                    break;
                case 9: {
                    const int call = in.ConsumeIntegralInRange(0, int(Call::Count) - 1);
                    const MidiResult code = in.PickValueInArray<MidiResult>(
                        {MidiErrNoMemory, MidiErrStillPlaying, MidiErrInvalidHandle,
                         MidiErrSystemNotRunning, MidiErrDeviceRemoved});
                    // A refused close, or a refused reset or unprepare that keeps buffers
                    // queued and so makes the close refuse, ends in the port leaving memory
                    // behind on purpose.
                    const bool leaves =
                        call == int(Call::CloseInput) || call == int(Call::CloseOutput) ||
                        call == int(Call::Reset) || call == int(Call::UnprepareInput);
                    if (!leaves || abandonments < MaxAbandonments)
                        driver.refusal[call] = code;
                    break;
                }
                case 10:
                    output.Open();
                    break;
                case 11:
                    output.Close();
                    break;
                case 12: {
                    const auto bytes = in.ConsumeBytes<std::uint8_t>(
                        in.ConsumeIntegralInRange<std::size_t>(0, 40));
                    output.SendLongMessage(bytes.data(), std::uint16_t(bytes.size()));
                    break;
                }
                case 13:
                    output.SendShortMessage(in.ConsumeIntegral<std::uint8_t>(),
                                            in.ConsumeIntegral<std::uint8_t>(),
                                            in.ConsumeIntegral<std::uint8_t>());
                    break;
                case 14:
                    driver.completeOutput();
                    break;
                case 15:
                    input.Start();
                    break;
                }
            } catch (const Exception &) {
                // Refusals surface as the ports' errors; the sequence goes on as a user would.
                openThroughout = openThroughout && input.PortState() == psOpen;
            }
            if (const TMidiEventRing *ring = input.EventRing())
                FUZZ_CHECK(ring->Count.load() <= ring->SlotCount &&
                           input.EventCount() <= ring->SlotCount);
            // A long message is the port's from its sending until its completion is handled.
            FUZZ_CHECK(output.PendingLongMessages() == driver.outputsQueued - outputsDone);
            FUZZ_CHECK(outputsDone <= std::uint64_t(driver.outputsHandedBack));
        }

        try {
            input.Close();
        } catch (const Exception &) {
        }
        try {
            output.Close();
        } catch (const Exception &) {
        }
        input.NotifyWindow().deliverPending();
        output.NotifyWindow().deliverPending();
        // A closed output has handed back every message, and the port has let go of each.
        if (!driver.outputOpen) {
            FUZZ_CHECK(driver.outputQueue.empty());
            FUZZ_CHECK(output.PendingLongMessages() == 0);
            FUZZ_CHECK(outputsDone == std::uint64_t(driver.outputsQueued));
        }
        abandoned = driver.inputOpen || driver.outputOpen;
    }
    // Everything the ports allocated went with them, unless a device refused to close.
    if (abandoned &&
        (SharedAllocLiveCount() != blocksBefore || MyMidiHdrLiveCount() != headersBefore))
        ++abandonments;
    if (!abandoned) {
        FUZZ_CHECK(SharedAllocLiveCount() == blocksBefore);
        FUZZ_CHECK(MyMidiHdrLiveCount() == headersBefore);
    }
    return 0;
}
