#pragma once
// TMidiOutput: one MIDI output device of the platform. The owner selects the device by number
// or by name, opens and closes it, and sends short messages (three bytes, synchronously), long
// messages (a SysEx block, copied and queued for asynchronous transmission) and event objects
// carrying either. Failures raise EmidioutputError with the port's own text or the services'
// text for the result code.
//
// Threads: every method runs on the GUI thread. The driver thread only runs MidiCallback, which
// posts the completion of a long message (969) to this port's notification sink; the sink calls
// HandleNotification on the GUI thread, which releases the buffer and calls Onmidioutput.
//
// Ownership: each long message lives in a TMyMidiHdr owned by this port from SendLongMessage
// until its completion is handled. The services must outlive the port.
#include "midi/MidiBuffer.h"
#include "midi/MidiError.h"
#include "midi/MidiPortErrors.h"
#include "midi/MidiPortState.h"
#include "midi/NotificationSink.h"
#include "midi/backend/MidiServices.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>

// What SendEvent reads of an event: the three bytes of a short message, or a SysEx block when
// SysexData is set.
struct TMidiOutEvent
{
    std::uint8_t Status = 0;
    std::uint8_t Data1 = 0;
    std::uint8_t Data2 = 0;
    std::uint16_t SysexLength = 0;
    const std::uint8_t *SysexData = nullptr;
};

class TMidiOutput : public QObject, public MidiPortErrors<EmidioutputError>
{
    Q_OBJECT
public:
    explicit TMidiOutput(MidiServices &services, QObject *owner = nullptr);
    ~TMidiOutput() override;

    // Device selection, allowed while closed. DeviceID -1 is the mapper device, where the
    // services offer one. ProductName matches the device name exactly (case-sensitive); the
    // mapper is tried first, then devices 0.. n-1, and the first match wins. A device chosen by
    // name is the one Open opens: it is looked up again there when its number now stands for
    // another device, and the open fails when no device reports the name any longer.
    const QString &ProductName() const { return productName_; }
    void SetProductName(const QString &name);
    int DeviceID() const { return deviceId_; }
    void SetDeviceID(int id);

    // Called after a long message has been sent and its buffer released. Close calls it for
    // the messages that were still queued before it returns.
    MidiNotifyEvent Onmidioutput;
    // Told of each long message that reached the device, when the services hand it back (on the
    // GUI thread, before Onmidioutput); a message handed back unsent is not told.
    std::function<void(std::span<const std::uint8_t> message)> OnDelivered;

    // True on success; a device that cannot be opened returns false and raises nothing. When
    // the services throw (no memory, a thread that cannot start) the port stays closed with
    // nothing kept and raises. On an open port: true, and nothing happens.
    virtual bool Open();
    // True when a device was closed, false when the port was not open; raises when the services
    // refuse to close (the port then stays open). The messages still queued leave (or are handed
    // back) first, and are told of (OnDelivered, Onmidioutput) before it returns.
    virtual bool Close();
    // Raises "MIDI Output device not open" on a port that is not open.
    virtual void SendEvent(const TMidiOutEvent &event);
    // Bytes are sent unchanged: no masking, no validation, no running status.
    virtual void SendShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // Copies the bytes (the caller may free them on return) and queues them. A length of 0 is
    // refused. A buffer that the services refuse is released at once.
    virtual void SendLongMessage(const std::uint8_t *data, std::uint16_t length);

    void HandleNotification(std::uint32_t number, std::uintptr_t param);

    TMidiPortState PortState() const { return portState_; }
    // MidiOk while the open device is connected to the port it stands for; otherwise what a send
    // meets now (MidiServices::outputHealth). MidiErrInvalidHandle while closed.
    MidiResult Health() const;
    std::uint16_t LastResult() const { return lastResult_; }
    std::uint32_t DriverVersion() const { return driverVersion_; }
    std::uint8_t Technology() const { return technology_; }
    std::uint16_t Voices() const { return voices_; }
    std::uint16_t Notes() const { return notes_; }
    std::uint16_t ChannelMask() const { return channelMask_; }
    std::uint32_t Support() const { return support_; }
    // Long messages queued and not yet completed.
    std::size_t PendingLongMessages() const { return pending_.size(); }
    NotificationSink &NotifyWindow() { return notifyWindow_; }

private:
    struct PendingMessage
    {
        std::unique_ptr<TMyMidiHdr> buffer;
        MidiHandle queuedOn;
    };
    void abandonDriverMemory();
    void keepCaps(const MidiOutCaps &caps);
    MidiResult followChosenName();

    NotificationSink notifyWindow_;
    int deviceId_ = 0;
    MidiHandle deviceHandle_ = NoMidiHandle;
    MidiHandle closingHandle_ = NoMidiHandle; // while Close hands over the last completions
    TMidiPortState portState_ = psClosed;
    TMidiCallbackBlock *callbackBlock_ = nullptr;
    std::uint32_t driverVersion_ = 0;
    QString productName_;
    std::optional<QString> chosenName_; // set while the selection was made by name
    std::uint8_t technology_ = 0;
    std::uint16_t voices_ = 0;
    std::uint16_t notes_ = 0;
    std::uint16_t channelMask_ = 0;
    std::uint32_t support_ = 0;
    std::unordered_map<MidiHeader *, PendingMessage> pending_;
};
