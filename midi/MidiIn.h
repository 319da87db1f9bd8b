#pragma once
// TMidiInput: one MIDI input device of the platform. The owner selects the device by number or
// by name, opens it (which creates the event ring and queues the SysEx receive buffers), starts
// reception and closes it. MidiCallback stores every received item in the ring on the driver's
// thread; for each stored item OnMidiInput runs on the GUI thread, for each item dropped because
// the ring was full OnOverflow. Failures raise EMidiInputError.
//
// Threads: every method runs on the GUI thread. The driver thread runs MidiCallback only, which
// writes the ring and posts to this port's notification sink; the ring's Count is the one value
// both threads touch (atomic: the callback raises it, TakeEvent lowers it). SysexOnly may be
// changed while open: the callback reads the block's copy at every message.
//
// With no input device at all the port is constructed with no device selected: it stays closed,
// Open does nothing, Start does nothing. The services must outlive the port.
#include "midi/MidiBuffer.h"
#include "midi/MidiError.h"
#include "midi/MidiPortErrors.h"
#include "midi/MidiPortState.h"
#include "midi/NotificationSink.h"
#include "midi/backend/MidiServices.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

class TMidiInput : public QObject, public MidiPortErrors<EMidiInputError>
{
    Q_OBJECT
public:
    explicit TMidiInput(MidiServices &services, QObject *owner = nullptr);
    ~TMidiInput() override;

    // Device selection, allowed while closed. ProductName matches exactly (case-sensitive); the
    // first device that reports it wins. A device chosen by name is the one Open opens: it is
    // looked up again there when its number now stands for another device, and the open fails
    // when no device reports the name any longer.
    const QString &ProductName() const { return productName_; }
    void SetProductName(const QString &name);
    std::uint16_t DeviceID() const { return deviceId_; }
    void SetDeviceID(std::uint16_t id);
    bool DeviceSelected() const { return deviceSelected_; }

    // Slots of the ring the next Open creates; above MaxRingSlots no ring is created and
    // received messages are dropped silently.
    std::uint16_t Capacity() const { return capacity_; }
    void SetCapacity(std::uint16_t value) { capacity_ = value; }
    // The last result code the port tested.
    std::uint16_t Error() const { return lastResult_; }
    // Raise while open; otherwise used by the next Open.
    std::uint16_t SysexBufferSize() const { return sysexBufferSize_; }
    void SetSysexBufferSize(std::uint16_t value);
    std::uint16_t SysexBufferCount() const { return sysexBufferCount_; }
    void SetSysexBufferCount(std::uint16_t value);
    // When true, received short messages are dropped; takes effect with the next message.
    bool SysexOnly() const { return sysexOnly_; }
    void SetSysexOnly(bool value);

    MidiNotifyEvent OnMidiInput;
    MidiNotifyEvent OnOverflow;

    // The port is open afterwards only if everything succeeded. A device that cannot be opened
    // raises nothing; when the services throw (no memory, a thread that cannot start) the port
    // stays closed with nothing kept and raises. On an open port it does nothing.
    void Open();
    // Starts reception on an open port; nothing on a closed one.
    void Start();
    // Resets and closes an open device, then releases the buffers and the ring. The port is
    // closed from the first step on, also when a later step raises.
    void Close();
    // Items in the ring while open; 0 otherwise.
    std::uint16_t EventCount() const;
    // Takes the oldest item out of the ring of an open port; false when there is none. A SysEx
    // item's buffer stays the caller's to read until it goes back with RequeueSysexBuffer.
    bool TakeEvent(TMidiRingEvent &event);
    // Queues a SysEx buffer taken out of the ring with the driver again, for a later message;
    // without it the port records only as many SysEx messages per Open as it has buffers.
    void RequeueSysexBuffer(MidiHeader *header);

    void HandleNotification(std::uint32_t number, std::uintptr_t param);

    TMidiPortState PortState() const { return portState_; }
    // MidiOk while the open device is connected to the port it stands for; otherwise why nothing
    // can arrive (MidiServices::inputHealth). MidiErrInvalidHandle while closed.
    MidiResult Health() const;
    std::uint32_t DriverVersion() const { return driverVersion_; }
    std::uint16_t ManufacturerID() const { return manufacturerId_; }
    std::uint16_t ProductID() const { return productId_; }
    const TMidiEventRing *EventRing() const { return eventRing_; }
    // The receive buffers of the open device, or none.
    const std::optional<std::deque<std::unique_ptr<TMyMidiHdr>>> &SysexHeaders() const
    {
        return sysexHeaders_;
    }
    NotificationSink &NotifyWindow() { return notifyWindow_; }

protected:
    void PrepareSysexBuffers();
    void QueueSysexBuffers();
    void ReleaseSysexBuffers();

private:
    void finishClose();
    void undoFailedOpen();
    bool shutDownAfterFailedOpen();
    void releaseAfterFailedOpen();
    void forgetEndedSession();
    void abandonDriverMemory();
    void keepCaps(const MidiInCaps &caps);
    MidiResult followChosenName();

    NotificationSink notifyWindow_;
    std::uint16_t deviceId_ = 0;
    bool deviceSelected_ = false;
    MidiHandle deviceHandle_ = NoMidiHandle;
    TMidiPortState portState_ = psCreating;
    bool sysexOnly_ = false;
    std::uint32_t driverVersion_ = 0;
    QString productName_;
    std::optional<QString> chosenName_; // set while the selection was made by name
    std::uint16_t manufacturerId_ = 0;
    std::uint16_t productId_ = 0;
    std::uint16_t capacity_ = 1024;
    TMidiEventRing *eventRing_ = nullptr;
    std::uint16_t sysexBufferSize_ = 4096;
    std::uint16_t sysexBufferCount_ = 16;
    std::optional<std::deque<std::unique_ptr<TMyMidiHdr>>> sysexHeaders_;
    TMidiCallbackBlock *callbackBlock_ = nullptr;
};
