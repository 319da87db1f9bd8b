#include "midi/MidiIn.h"

#include "midi/LeakOnPurpose.h"
#include "midi/NamedDevice.h"

#include <algorithm>

TMidiInput::TMidiInput(MidiServices &services, QObject *owner)
    : QObject(owner), MidiPortErrors(services),
      notifyWindow_(
          [this](std::uint32_t number, std::uintptr_t param) { HandleNotification(number, param); })
{
    portState_ = psCreating;
    sysexOnly_ = false;
    // Device 0 when there is one. A machine without any input device (or whose first device
    // cannot be queried) must still be able to run the editor, so the port is then constructed
    // with no device selected instead of failing.
    if (services_.inputDeviceCount() > 0) {
        try {
            SetDeviceID(0);
        } catch (const EMidiInputError &) {
            deviceSelected_ = false;
        }
    }
    capacity_ = 1024;
    sysexBufferSize_ = 4096;
    sysexBufferCount_ = 16;
    portState_ = psClosed;
}

TMidiInput::~TMidiInput()
{
    if (deviceHandle_ != NoMidiHandle) {
        try {
            // After a Close that failed part-way the port is closed but the device is not.
            if (portState_ == psOpen)
                Close();
            else
                finishClose();
        } catch (const Exception &) {
            // A destructor cannot report; a device still open is dealt with below.
        }
        if (deviceHandle_ != NoMidiHandle) {
            abandonDriverMemory();
            return;
        }
    }
    sysexHeaders_.reset();
    RingDestroy(eventRing_);
    CallbackBlockFree(callbackBlock_);
}

void TMidiInput::SetDeviceID(std::uint16_t id)
{
    requireClosed(portState_, "DeviceID");
    if (id >= services_.inputDeviceCount())
        raise(QStringLiteral("Invalid device ID"));
    deviceId_ = id;
    deviceSelected_ = true;
    chosenName_.reset();
    MidiInCaps caps;
    check(services_.inputDeviceCaps(id, caps));
    keepCaps(caps);
}

void TMidiInput::keepCaps(const MidiInCaps &caps)
{
    productName_ = QString::fromStdString(caps.name);
    driverVersion_ = caps.driverVersion;
    manufacturerId_ = caps.manufacturerId;
    productId_ = caps.productId;
}

void TMidiInput::SetProductName(const QString &name)
{
    requireClosed(portState_, "ProductName");
    const std::uint32_t count = services_.inputDeviceCount();
    // Device 0 is queried even when there is none, so that the services say why.
    std::uint32_t id = 0;
    do {
        MidiInCaps caps;
        check(services_.inputDeviceCaps(static_cast<int>(id), caps));
        if (QString::fromStdString(caps.name) == name) {
            productName_ = name;
            break;
        }
        ++id;
    } while (id < count);
    if (productName_ != name)
        raise(QStringLiteral("MIDI Input Device ") + name + QStringLiteral(" not installed "));
    // Re-reads the name and the identifiers. When the name was already selected and no device
    // reports it any longer, id is past the last device and this says "Invalid device ID".
    if (id > 0xFFFF)
        raise(QStringLiteral("Invalid device ID"));
    SetDeviceID(static_cast<std::uint16_t>(id));
    chosenName_ = name;
}

MidiResult TMidiInput::followChosenName()
{
    if (!chosenName_)
        return MidiOk;
    // Device numbers above 0xFFFF cannot be selected.
    const int count =
        static_cast<int>(std::min<std::uint32_t>(services_.inputDeviceCount(), 0x10000));
    const auto found = FindNamedDevice<MidiInCaps>(
        *chosenName_, deviceId_, 0, count,
        [this](int id, MidiInCaps &caps) { return services_.inputDeviceCaps(id, caps); });
    if (!found)
        return MidiErrBadDeviceId; // what opening a device that is not there answers
    deviceId_ = static_cast<std::uint16_t>(found->first);
    keepCaps(found->second);
    return MidiOk;
}

void TMidiInput::SetSysexBufferSize(std::uint16_t value)
{
    requireClosed(portState_, "SysexBufferSize");
    sysexBufferSize_ = value;
}

void TMidiInput::SetSysexBufferCount(std::uint16_t value)
{
    requireClosed(portState_, "SysexBuffercount");
    sysexBufferCount_ = value;
}

void TMidiInput::SetSysexOnly(bool value)
{
    sysexOnly_ = value;
    if (callbackBlock_)
        callbackBlock_->SysexOnly.store(value ? 1 : 0, std::memory_order_relaxed);
}

void TMidiInput::Open()
{
    // Re-opening would lose the handle of a device that still delivers into the ring.
    if (portState_ == psOpen)
        return;
    // A Close that failed part-way left the device open: finish it first.
    if (deviceHandle_ != NoMidiHandle) {
        try {
            finishClose();
        } catch (const EMidiInputError &) {
            return;
        }
    }
    if (!deviceSelected_)
        return;
    try {
        check(followChosenName());
        if (!eventRing_)
            eventRing_ = RingCreate(capacity_); // stays none when refused: items are dropped
        if (!callbackBlock_) {
            callbackBlock_ = CallbackBlockAlloc();
            if (!callbackBlock_)
                raise(ErrorText(MidiErrNoMemory));
        }
        callbackBlock_->Ring = eventRing_;
        callbackBlock_->Window = notifyWindow_.queue();
        callbackBlock_->SysexOnly.store(sysexOnly_ ? 1 : 0, std::memory_order_relaxed);
        MidiHandle handle = NoMidiHandle;
        check(services_.openInput(handle, deviceId_, MidiCallback,
                                  reinterpret_cast<std::uintptr_t>(callbackBlock_)));
        deviceHandle_ = handle;
        PrepareSysexBuffers();
        QueueSysexBuffers();
        portState_ = psOpen;
    } catch (const EMidiInputError &) {
        // Swallowed: the owner sees only that the port did not open.
        undoFailedOpen();
    } catch (const std::exception &thrown) {
        // Not a refusal of the device but a failure of the program underneath (no memory, no
        // thread): undone all the same, and the user is told why.
        const QString failure = MidiOpenFailureText(thrown);
        undoFailedOpen();
        raise(failure);
    }
}

void TMidiInput::undoFailedOpen()
{
    // The device must stop delivering before the ring, the block and the buffers it uses are
    // released.
    if (deviceHandle_ != NoMidiHandle && !shutDownAfterFailedOpen()) {
        abandonDriverMemory();
        return;
    }
    releaseAfterFailedOpen();
}

bool TMidiInput::shutDownAfterFailedOpen()
{
    // Error keeps the code of the failure that ended Open; these results are cleanup only.
    services_.resetInput(deviceHandle_);
    if (sysexHeaders_) {
        for (const auto &buffer : *sysexHeaders_)
            services_.unprepareInputHeader(deviceHandle_, buffer->Header);
    }
    if (services_.closeInput(deviceHandle_) != MidiOk)
        return false;
    deviceHandle_ = NoMidiHandle;
    return true;
}

void TMidiInput::releaseAfterFailedOpen()
{
    sysexHeaders_.reset();
    RingDestroy(eventRing_);
    eventRing_ = nullptr;
    CallbackBlockFree(callbackBlock_);
    callbackBlock_ = nullptr;
    forgetEndedSession();
}

void TMidiInput::abandonDriverMemory()
{
    // The device could not be closed and may still write into the ring, the block and the
    // buffers, and post into the sink: leaving them allocated is the only safe choice.
    if (sysexHeaders_) {
        for (auto &buffer : *sysexHeaders_)
            LeakOnPurpose(buffer.release());
    }
    sysexHeaders_.reset();
    LeakOnPurpose(eventRing_);
    eventRing_ = nullptr;
    LeakOnPurpose(callbackBlock_);
    callbackBlock_ = nullptr;
    deviceHandle_ = NoMidiHandle;
    notifyWindow_.abandonQueue();
}

void TMidiInput::PrepareSysexBuffers()
{
    if (sysexBufferCount_ == 0 || sysexBufferSize_ == 0 || deviceHandle_ == NoMidiHandle)
        return;
    sysexHeaders_.emplace();
    for (std::uint16_t i = 0; i < sysexBufferCount_; ++i) {
        auto buffer = std::make_unique<TMyMidiHdr>(sysexBufferSize_);
        if (!buffer->Header)
            raise(ErrorText(MidiErrNoMemory));
        buffer->Header->user = reinterpret_cast<std::uintptr_t>(buffer.get());
        // A buffer whose prepare is refused is not in the list and is released at once.
        check(services_.prepareInputHeader(deviceHandle_, buffer->Header));
        sysexHeaders_->push_back(std::move(buffer));
    }
}

void TMidiInput::QueueSysexBuffers()
{
    if (!sysexHeaders_)
        return;
    for (const auto &buffer : *sysexHeaders_)
        check(services_.addInputBuffer(deviceHandle_, buffer->Header));
}

void TMidiInput::ReleaseSysexBuffers()
{
    if (!sysexHeaders_)
        return;
    // Front first; a refusal leaves the rest in the list for the next attempt.
    while (!sysexHeaders_->empty()) {
        check(services_.unprepareInputHeader(deviceHandle_, sysexHeaders_->front()->Header));
        sysexHeaders_->pop_front();
    }
    sysexHeaders_.reset();
}

void TMidiInput::Start()
{
    if (portState_ == psOpen)
        check(services_.startInput(deviceHandle_));
}

void TMidiInput::Close()
{
    if (portState_ != psOpen)
        return;
    // Closed from here on: notifications still arriving are ignored.
    portState_ = psClosed;
    finishClose();
}

void TMidiInput::finishClose()
{
    // The reset hands every queued buffer back through the callback, which still has its ring.
    check(services_.resetInput(deviceHandle_));
    ReleaseSysexBuffers();
    check(services_.closeInput(deviceHandle_));
    deviceHandle_ = NoMidiHandle;
    RingDestroy(eventRing_);
    eventRing_ = nullptr;
    forgetEndedSession();
}

void TMidiInput::forgetEndedSession()
{
    // What the device posted up to its close (the buffers handed back by the reset among it)
    // belongs to the session that ended. Handed over now, while the port is closed, it is
    // ignored; left waiting, it would reach OnMidiInput and OnOverflow after the next Open as
    // if it had arrived there.
    notifyWindow_.deliverPending();
}

std::uint16_t TMidiInput::EventCount() const
{
    if (portState_ != psOpen || !eventRing_)
        return 0;
    return eventRing_->Count.load(std::memory_order_acquire);
}

bool TMidiInput::TakeEvent(TMidiRingEvent &event)
{
    return portState_ == psOpen && eventRing_ && RingGet(eventRing_, event);
}

void TMidiInput::RequeueSysexBuffer(MidiHeader *header)
{
    if (portState_ == psOpen)
        check(services_.addInputBuffer(deviceHandle_, header));
}

void TMidiInput::HandleNotification(std::uint32_t number, std::uintptr_t)
{
    if (number == NotifyItemStored) {
        if (OnMidiInput && portState_ == psOpen && EventCount() > 0)
            OnMidiInput(this);
    } else if (number == NotifyItemDropped) {
        if (OnOverflow && portState_ == psOpen)
            OnOverflow(this);
    }
}

MidiResult TMidiInput::Health() const
{
    return portState_ == psOpen ? services_.inputHealth(deviceHandle_) : MidiErrInvalidHandle;
}
