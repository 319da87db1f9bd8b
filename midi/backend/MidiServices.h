#pragma once
// The platform's MIDI services as the two ports (TMidiOutput, TMidiInput) see them.
//
// The shape follows the classic multimedia MIDI API: devices are numbered 0..n-1 per direction,
// a device is opened with one callback function plus an opaque instance value, long messages
// travel in caller-owned buffer headers that are prepared, queued and unprepared, and every
// operation returns a result code (0 = success) whose text the services supply.
//
// Threads
// - The methods are called from one thread at a time (the GUI thread in the editor); an
//   implementation must not rely on which thread that is.
// - The callback may run on any thread of the implementation, and also on the calling thread
//   before a call returns. Calls of the callback for one open handle never overlap: each one
//   returns, and its effects are visible, before the next one for that handle starts. The ring
//   written by the editor's callback has a single writer and relies on this.
// - The callback must not call back into the services. The editor's callback allocates nothing,
//   takes no lock and never waits, so an implementation may call it while holding its own locks.
// - After closeOutput / closeInput has returned successfully, the callback is never called again
//   for that handle, and the services hold no pointer to any header of that handle.
#include <cstdint>
#include <string>

// Opaque device handle; NoMidiHandle (0) is never a valid handle.
using MidiHandle = std::uintptr_t;
inline constexpr MidiHandle NoMidiHandle = 0;

// Result codes. The numbers of the classic API are kept where a code has a counterpart there, so
// that a back end over that API can pass its codes through unchanged.
enum MidiResult : std::uint32_t {
    MidiOk = 0,
    MidiErrUnspecified = 1,
    MidiErrBadDeviceId = 2,        // no device with that number (also the mapper -1 when absent)
    MidiErrNotEnabled = 3,         // the driver could not be enabled
    MidiErrAllocated = 4,          // the device is already open
    MidiErrInvalidHandle = 5,      // not a handle of an open device of this direction
    MidiErrNoDriver = 6,           // no driver behind the device
    MidiErrNoMemory = 7,           // out of memory, or too many pending requests
    MidiErrNotSupported = 8,       // the operation does not exist for this device
    MidiErrInvalidParam = 11,      // null header, zero-length buffer, unknown code for errorText
    MidiErrUnprepared = 64,        // header was not prepared (on this handle)
    MidiErrStillPlaying = 65,      // header still queued, or input buffers still queued at close
    MidiErrNotReady = 67,          // the device is busy
    MidiErrSystemNotRunning = 512, // the MIDI system underneath (e.g. the JACK server) is gone
    MidiErrBufferTooSmall = 513,   // a message does not fit the buffer offered for it
    MidiErrDeviceRemoved = 514,    // the device disappeared while open
    MidiErrNotConnected = 515,     // the open device's port is not there (unplugged, client gone)
    MidiErrSystemNotResponding = 516, // the MIDI system underneath is there but does not answer
};

// Message kinds passed to the callback (the classic API's numbers).
namespace MidiMsg {
inline constexpr std::uint32_t InOpen = 961;      // input opened (optional)
inline constexpr std::uint32_t InClose = 962;     // input closed (optional)
inline constexpr std::uint32_t InData = 963;      // p1 = packed short message, p2 = time in ms
inline constexpr std::uint32_t InLongData = 964;  // p1 = MidiHeader* filled (or handed back)
inline constexpr std::uint32_t InError = 965;     // p1 = invalid short message, p2 = time in ms
inline constexpr std::uint32_t InLongError = 966; // p1 = MidiHeader* of an incomplete SysEx
inline constexpr std::uint32_t OutOpen = 967;     // output opened (optional)
inline constexpr std::uint32_t OutClose = 968;    // output closed (optional)
inline constexpr std::uint32_t OutDone = 969;     // p1 = MidiHeader* whose message is finished
} // namespace MidiMsg

// The driver callback: (handle, message kind, instance value given to open, param1, param2).
// Short messages are packed as one word: status in bits 0-7, first data byte in bits 8-15,
// second data byte in bits 16-23, bits 24-31 zero; bytes a message does not have are zero.
using MidiCallbackFunction = void (*)(MidiHandle handle, std::uint32_t message,
                                      std::uintptr_t instance, std::uintptr_t param1,
                                      std::uintptr_t param2) noexcept;

// Header flag bits, set by the services.
enum MidiHeaderFlag : std::uint32_t {
    MidiHdrDone = 0x1,     // the services have finished with the buffer and handed it back
    MidiHdrPrepared = 0x2, // prepared on a handle, not yet unprepared
    MidiHdrInQueue = 0x4,  // queued with the services (an output message or an input buffer)
};

// A long-message buffer header. The caller owns the header and the data block and keeps both at
// one address from prepare to unprepare. The caller fills data, bufferLength and user; the
// services own every other field while the header is prepared. For an output message the
// services send bufferLength bytes; for an input buffer they fill bytesRecorded.
// The caller reads flags and bytesRecorded only after the header was handed back through the
// callback (the callback's hand-over orders the services' writes before the caller's reads).
struct MidiHeader
{
    std::uint8_t *data = nullptr;
    std::uint32_t bufferLength = 0;
    std::uint32_t bytesRecorded = 0;
    std::uintptr_t user = 0;     // the caller's; never touched by the services
    std::uint32_t flags = 0;     // MidiHeaderFlag bits
    MidiHeader *next = nullptr;  // free for the services while prepared (e.g. a queue link)
    std::uintptr_t reserved = 0; // free for the services while prepared
    std::uint32_t offset = 0;    // free for the services while prepared
    std::uintptr_t driverReserved[4] = {};
};

// Capabilities of an output device, as the device query reports them. The name is UTF-8 and
// not cut short; it is what the ports match names against.
struct MidiOutCaps
{
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    std::string name;
    std::uint16_t technology = 0; // MidiTechnology
    std::uint16_t voices = 0;
    std::uint16_t notes = 0;
    std::uint16_t channelMask = 0; // bit n = channel n+1
    std::uint32_t support = 0;
};

struct MidiInCaps
{
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    std::string name;
    std::uint32_t support = 0;
};

enum MidiTechnology : std::uint16_t {
    MidiTechPort = 1, // a hardware or system port
    MidiTechSynth = 2,
    MidiTechMapper = 5,        // the distinguished device -1
    MidiTechSoftwareSynth = 7, // an in-process device
};

// Our own text for each code; false for a code that has none.
inline bool midiStandardErrorText(std::uint32_t code, std::string &text)
{
    struct Entry
    {
        std::uint32_t code;
        const char *text;
    };
    // clang-format off
    static constexpr Entry kTexts[] = {
        {MidiOk, "The MIDI operation completed successfully"},
        {MidiErrUnspecified, "Unspecified MIDI error"},
        {MidiErrBadDeviceId, "The MIDI device ID is out of range"},
        {MidiErrNotEnabled, "The MIDI driver could not be enabled"},
        {MidiErrAllocated, "The MIDI device is already in use"},
        {MidiErrInvalidHandle, "The MIDI device handle is invalid"},
        {MidiErrNoDriver, "There is no driver for this MIDI device"},
        {MidiErrNoMemory, "Not enough memory for the MIDI operation"},
        {MidiErrNotSupported, "The MIDI device does not support this operation"},
        {MidiErrInvalidParam, "Invalid parameter passed to the MIDI services"},
        {MidiErrUnprepared, "The MIDI buffer header has not been prepared"},
        {MidiErrStillPlaying, "MIDI buffers are still queued on the device"},
        {MidiErrNotReady, "The MIDI device is busy"},
        {MidiErrSystemNotRunning, "The MIDI system is not running"},
        {MidiErrBufferTooSmall, "The MIDI message does not fit the buffer"},
        {MidiErrDeviceRemoved, "The MIDI device has been removed"},
        {MidiErrNotConnected, "The MIDI device is not connected"},
        {MidiErrSystemNotResponding, "The MIDI system is not responding"},
    };
    // clang-format on
    for (const Entry &entry : kTexts)
        if (entry.code == code) {
            text = entry.text;
            return true;
        }
    return false;
}

// Told that something the editor shows of the MIDI services may have changed: the device lists,
// the state of the system underneath, or whether an open device is connected. Called on any
// thread, also a driver's, possibly with the services' own locks held: it must return at once,
// and must not call the services. The receiver asks the services what changed.
class MidiChangeListener
{
public:
    virtual void midiChanged() noexcept = 0;

protected:
    ~MidiChangeListener() = default;
};

// The MIDI systems that system devices come from. Automatic is only asked for, never in use:
// the ALSA sequencer when it opens, else JACK. Native is the platform's own API reached through
// RtMidi (WinMM, CoreMIDI); None: no system, only the editor's own devices.
enum class MidiSystem { Automatic, Alsa, Jack, Native, None };

// The MIDI system underneath the services, as the user is shown it.
struct MidiSystemStatus
{
    // Starting: the first connection to the system is still being made (its devices are not
    // listed yet).
    enum State { Running, NotRunning, NotResponding, Starting };
    std::string name = "none"; // "ALSA sequencer", "JACK", "PipeWire's JACK", "none"
    State state = Running;
    MidiSystem system = MidiSystem::None; // the system named (never Automatic)
};

class MidiServices
{
public:
    virtual ~MidiServices() = default;

    // ---- outputs ----

    virtual std::uint32_t outputDeviceCount() = 0;
    // deviceId 0..count-1, or -1 for a mapper device if the implementation has one; otherwise
    // MidiErrBadDeviceId. caps is written only on success.
    virtual MidiResult outputDeviceCaps(int deviceId, MidiOutCaps &caps) = 0;
    // On success handle is set to a new non-zero handle. The callback receives OutDone for every
    // queued header (and may receive OutOpen / OutClose, which the editor ignores).
    virtual MidiResult openOutput(MidiHandle &handle, int deviceId, MidiCallbackFunction callback,
                                  std::uintptr_t instance) = 0;
    // Every header still queued is handed back (OutDone, flags Done, InQueue cleared, whether it
    // was sent or abandoned) before this returns; completions are never lost. Prepared headers
    // count as unprepared afterwards.
    virtual MidiResult closeOutput(MidiHandle handle) = 0;
    // Returns once the message is accepted; it goes out after every long message queued before it
    // on this handle (a short message never overtakes a long one sent before it).
    virtual MidiResult sendShortMessage(MidiHandle handle, std::uint32_t word) = 0;
    // Headers are prepared, queued and unprepared by the rules of MidiHeaderRules.h, in both
    // directions: the same checks in the same order with the same codes everywhere.
    virtual MidiResult prepareOutputHeader(MidiHandle handle, MidiHeader *header) = 0;
    // Queues a prepared header and returns at once. Messages go out in call order; when one has
    // been sent (or could not be sent: server gone, device removed) the header comes back
    // exactly once through the callback as OutDone with param1 = the header, flags Done set and
    // InQueue cleared, and bytesRecorded = bufferLength when the message reached the device
    // (0 when it was handed back unsent).
    virtual MidiResult sendLongMessage(MidiHandle handle, MidiHeader *header) = 0;
    // MidiErrStillPlaying while the header is queued.
    virtual MidiResult unprepareOutputHeader(MidiHandle handle, MidiHeader *header) = 0;

    // ---- inputs ----

    virtual std::uint32_t inputDeviceCount() = 0;
    virtual MidiResult inputDeviceCaps(int deviceId, MidiInCaps &caps) = 0;
    // Nothing is delivered before startInput. Then: every short message as InData (param1 = the
    // packed word, param2 = milliseconds since startInput); every SysEx message (F0 .. F7) is
    // copied into the buffers queued by addInputBuffer, oldest first, and each buffer comes back
    // once as InLongData (param1 = header, bytesRecorded set, flags Done set, InQueue cleared); a
    // SysEx longer than one buffer continues in the next. A SysEx cut short is handed back as
    // InLongError. Bytes that find no queued buffer are dropped. Buffers are not re-used until
    // the caller queues them again.
    virtual MidiResult openInput(MidiHandle &handle, int deviceId, MidiCallbackFunction callback,
                                 std::uintptr_t instance) = 0;
    // MidiErrStillPlaying while buffers are queued (resetInput first).
    virtual MidiResult closeInput(MidiHandle handle) = 0;
    virtual MidiResult prepareInputHeader(MidiHandle handle, MidiHeader *header) = 0;
    virtual MidiResult addInputBuffer(MidiHandle handle, MidiHeader *header) = 0;
    virtual MidiResult startInput(MidiHandle handle) = 0;
    // Stops reception and hands every queued buffer back through the callback (InLongData,
    // flags Done set, InQueue cleared, bytesRecorded as far as filled) before it returns.
    virtual MidiResult resetInput(MidiHandle handle) = 0;
    // MidiErrStillPlaying while the header is queued.
    virtual MidiResult unprepareInputHeader(MidiHandle handle, MidiHeader *header) = 0;

    // ---- both ----

    // The system and the devices as they change. Services whose devices never change keep these
    // defaults: no system underneath, every open device connected.
    //
    // The listener (nullptr: none) is told of every change from now on, until it is replaced;
    // once this returns, the previous one is not called any more. It must outlive the services
    // or be replaced first.
    virtual void setChangeListener(MidiChangeListener *listener) { (void)listener; }
    virtual MidiSystemStatus systemStatus() const { return {}; }
    // MidiOk while the open device of handle is connected to the port it stands for; otherwise
    // what a send to it would return now (MidiErrNotConnected, MidiErrSystemNotRunning,
    // MidiErrSystemNotResponding).
    virtual MidiResult outputHealth(MidiHandle handle) const
    {
        (void)handle;
        return MidiOk;
    }
    virtual MidiResult inputHealth(MidiHandle handle) const
    {
        (void)handle;
        return MidiOk;
    }

    // The text for a result code of these services: MidiOk and the text, or MidiErrInvalidParam
    // for a code that has no text (the ports then say "Specified error number is out of range").
    virtual MidiResult errorText(std::uint32_t code, std::string &text) const
    {
        return midiStandardErrorText(code, text) ? MidiOk : MidiErrInvalidParam;
    }
};
