#include "midi/MidiOut.h"

#include "midi/LeakOnPurpose.h"
#include "midi/NamedDevice.h"
#include "midi/backend/ShortMessage.h"

#include <cstring>

TMidiOutput::TMidiOutput(MidiServices &services, QObject *owner)
    : QObject(owner), MidiPortErrors(services),
      notifyWindow_(
          [this](std::uint32_t number, std::uintptr_t param) { HandleNotification(number, param); })
{
}

TMidiOutput::~TMidiOutput()
{
    // A port being destroyed tells no one of its last messages: its owner may be half gone.
    OnDelivered = nullptr;
    Onmidioutput = nullptr;
    try {
        if (portState_ == psOpen)
            Close();
    } catch (const Exception &) {
        // A destructor cannot report; what follows decides what may be released.
    }
    if (portState_ == psOpen) {
        abandonDriverMemory();
        return;
    }
    // Closed: the services have handed every queued buffer back, so nothing of ours is in use.
    // Completions still waiting in the sink are discarded with it; their buffers go here.
    pending_.clear();
    CallbackBlockFree(callbackBlock_);
}

void TMidiOutput::abandonDriverMemory()
{
    // The device could not be closed and may still report completions into the block, the sink
    // and the buffers it holds: leaving them allocated is the only safe choice.
    for (auto &[header, message] : pending_)
        LeakOnPurpose(message.buffer.release());
    pending_.clear();
    LeakOnPurpose(callbackBlock_);
    callbackBlock_ = nullptr;
    notifyWindow_.abandonQueue();
}

void TMidiOutput::SetDeviceID(int id)
{
    requireClosed(portState_, "DeviceID");
    // Signed comparison: a negative id other than -1 passes here and is refused by the query.
    const std::int64_t count = services_.outputDeviceCount();
    if (id >= count && id != -1)
        raise(QStringLiteral("Invalid device ID"));
    deviceId_ = id;
    chosenName_.reset();
    MidiOutCaps caps;
    check(services_.outputDeviceCaps(id, caps));
    keepCaps(caps);
}

void TMidiOutput::keepCaps(const MidiOutCaps &caps)
{
    productName_ = QString::fromStdString(caps.name);
    driverVersion_ = caps.driverVersion;
    technology_ = static_cast<std::uint8_t>(caps.technology);
    voices_ = caps.voices;
    notes_ = caps.notes;
    channelMask_ = caps.channelMask;
    support_ = caps.support;
}

void TMidiOutput::SetProductName(const QString &name)
{
    requireClosed(portState_, "ProductName");
    const int count = static_cast<int>(services_.outputDeviceCount());
    // The mapper first, so a device that reports the mapper's name is never chosen by name.
    int id = -1;
    for (; id < count; ++id) {
        MidiOutCaps caps;
        const MidiResult result = services_.outputDeviceCaps(id, caps);
        // Platforms without a mapper answer -1 with "bad device id": that means "no mapper",
        // not a failure, or no name could ever be found there.
        if (id == -1 && result == MidiErrBadDeviceId) {
            lastResult_ = static_cast<std::uint16_t>(result);
            continue;
        }
        check(result);
        if (QString::fromStdString(caps.name) == name) {
            productName_ = name;
            break;
        }
    }
    if (productName_ != name)
        raise(QStringLiteral("MIDI output Device ") + name + QStringLiteral(" not installed"));
    // Re-reads the name and the capabilities. When the name was already selected and no device
    // reports it any longer, id is the count here and the selection says "Invalid device ID".
    SetDeviceID(id);
    chosenName_ = name;
}

MidiResult TMidiOutput::followChosenName()
{
    if (!chosenName_)
        return MidiOk;
    const int count = static_cast<int>(services_.outputDeviceCount());
    const auto found = FindNamedDevice<MidiOutCaps>(
        *chosenName_, deviceId_, -1, count,
        [this](int id, MidiOutCaps &caps) { return services_.outputDeviceCaps(id, caps); });
    if (!found)
        return MidiErrBadDeviceId; // what opening a device that is not there answers
    deviceId_ = found->first;
    keepCaps(found->second);
    return MidiOk;
}

bool TMidiOutput::Open()
{
    // Re-opening would lose the handle of a device that still uses the callback block.
    if (portState_ == psOpen)
        return true;
    if (const MidiResult chosen = followChosenName(); chosen != MidiOk) {
        lastResult_ = static_cast<std::uint16_t>(chosen);
        return false;
    }
    if (!callbackBlock_) {
        callbackBlock_ = CallbackBlockAlloc();
        if (!callbackBlock_)
            return false;
    }
    callbackBlock_->Ring = nullptr;
    callbackBlock_->Window = notifyWindow_.queue();
    callbackBlock_->SysexOnly.store(0, std::memory_order_relaxed);
    MidiHandle handle = NoMidiHandle;
    MidiResult result = MidiErrUnspecified;
    QString failure;
    try {
        result = services_.openOutput(handle, deviceId_, MidiCallback,
                                      reinterpret_cast<std::uintptr_t>(callbackBlock_));
        lastResult_ = static_cast<std::uint16_t>(result);
    } catch (const std::exception &thrown) {
        // Not a refusal of the device but a failure of the program underneath (no memory, no
        // thread): the services opened nothing, and the user is told why.
        failure = MidiOpenFailureText(thrown);
    }
    if (result != MidiOk) {
        CallbackBlockFree(callbackBlock_);
        callbackBlock_ = nullptr;
        if (!failure.isEmpty())
            raise(failure);
        return false;
    }
    deviceHandle_ = handle;
    portState_ = psOpen;
    return true;
}

bool TMidiOutput::Close()
{
    const bool wasOpen = portState_ == psOpen;
    if (wasOpen)
        check(services_.closeOutput(deviceHandle_));
    // The messages still queued have now left or been handed back, and their completions wait in
    // the sink: they are handled before the port lets go of the device, so that every message
    // that reached it is told of as this device's (a close, a reopen, a switch of system).
    closingHandle_ = deviceHandle_;
    deviceHandle_ = NoMidiHandle;
    portState_ = psClosed;
    if (wasOpen)
        notifyWindow_.deliverPending();
    closingHandle_ = NoMidiHandle;
    return wasOpen;
}

void TMidiOutput::SendShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const std::uint8_t bytes[] = {status, data1, data2};
    check(services_.sendShortMessage(deviceHandle_, packShortMessage(bytes, 3)));
}

void TMidiOutput::SendLongMessage(const std::uint8_t *data, std::uint16_t length)
{
    if (length == 0)
        raise(QStringLiteral("Empty long MIDI message not sent"));
    if (!data)
        raise(ErrorText(MidiErrInvalidParam));
    // Every message in flight may have one completion waiting in the sink; keeping their number
    // within the sink's capacity is what guarantees that no completion is ever dropped.
    if (pending_.size() >= notifyWindow_.queue()->capacity())
        raise(ErrorText(MidiErrNoMemory));
    auto buffer = std::make_unique<TMyMidiHdr>(length);
    if (!buffer->Header)
        raise(ErrorText(MidiErrNoMemory));
    std::memcpy(buffer->Data, data, length);
    MidiHeader *header = buffer->Header;
    header->user = reinterpret_cast<std::uintptr_t>(buffer.get());

    // A refused buffer is never queued, so it is released at once when this raises.
    check(services_.prepareOutputHeader(deviceHandle_, header));
    // Registered before it is queued: the completion may be posted before the call returns.
    pending_.emplace(header, PendingMessage{std::move(buffer), deviceHandle_});
    const MidiResult queued = services_.sendLongMessage(deviceHandle_, header);
    if (queued != MidiOk) {
        services_.unprepareOutputHeader(deviceHandle_, header);
        pending_.erase(header);
    }
    check(queued);
}

void TMidiOutput::SendEvent(const TMidiOutEvent &event)
{
    if (portState_ != psOpen)
        raise(QStringLiteral("MIDI Output device not open"));
    if (!event.SysexData)
        SendShortMessage(event.Status, event.Data1, event.Data2);
    else
        SendLongMessage(event.SysexData, event.SysexLength);
}

void TMidiOutput::HandleNotification(std::uint32_t number, std::uintptr_t param)
{
    if (number != NotifyOutputDone)
        return;
    auto *header = reinterpret_cast<MidiHeader *>(param);
    const auto found = pending_.find(header);
    // Not one of ours (or already released when the port was closed in its destructor).
    if (found == pending_.end() ||
        header->user != reinterpret_cast<std::uintptr_t>(found->second.buffer.get()))
        return;
    // Only the device it was queued on knows the header; a closed device has let go of it. Nor
    // is a message of a device closed earlier told of as the open one's; one of the device
    // being closed is (Close hands its completions over before it returns).
    const MidiHandle queuedOn = found->second.queuedOn;
    const bool queuedHere = portState_ == psOpen && queuedOn == deviceHandle_;
    const bool ours = queuedHere || (queuedOn != NoMidiHandle && queuedOn == closingHandle_);
    const bool delivered = ours && header->bytesRecorded == header->bufferLength;
    if (queuedHere)
        services_.unprepareOutputHeader(deviceHandle_, header); // result ignored
    const std::unique_ptr<TMyMidiHdr> buffer = std::move(found->second.buffer);
    pending_.erase(found);
    if (delivered && OnDelivered)
        OnDelivered({buffer->Data, header->bufferLength});
    if (Onmidioutput)
        Onmidioutput(this);
}

MidiResult TMidiOutput::Health() const
{
    return portState_ == psOpen ? services_.outputHealth(deviceHandle_) : MidiErrInvalidHandle;
}
