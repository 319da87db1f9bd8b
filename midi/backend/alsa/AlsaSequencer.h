#pragma once
// The few ALSA sequencer calls that watching its announcements takes, behind an interface so
// that the watcher runs against a scripted sequencer where there is no sequencer device.
//
// The sequencer's system client announces on its announce port every client and port that
// starts, exits or changes (a USB interface plugged in, a program opening a port). A client of
// our own with one private port subscribed to that port reads those announcements as events.
//
// Threads: open() and the set-up calls on one thread, then pollDescriptors() and readEvent()
// on the watching thread alone, and close() once that thread has ended.
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <vector>

// One event read from our client's queue, reduced to what decides whether the port lists may
// have changed.
struct AlsaEvent
{
    struct Address
    {
        int client = -1;
        int port = -1;
    };
    enum class Kind {
        ClientStart,
        ClientExit,
        ClientChange, // a client renamed: the port names shown carry its name
        PortStart,
        PortExit,
        PortChange,
        Other,  // anything else (connections made or broken, music): the lists stand
        Lost,   // our queue overflowed and events were dropped: anything may have changed
        Failed, // the sequencer cannot be read any more
    };
    Kind kind = Kind::Other;
    int client = -1; // the client or port announced, for the announcements; -1 otherwise
    int port = -1;
};

class AlsaSequencer
{
public:
    virtual ~AlsaSequencer() = default;

    // A client of our own that reads without blocking. False when there is no sequencer; the
    // other calls are made only after it succeeded.
    virtual bool open() = 0;
    virtual bool setClientName(const std::string &name) = 0;
    // A port only we write to, hidden from every list; its number, or negative on failure.
    virtual int createPort(const std::string &name) = 0;
    // Routes the system announce port's events to our port.
    virtual bool subscribeToAnnouncements(int port) = 0;
    // The descriptors that become readable (POLLIN) when an event waits; none on failure.
    virtual std::vector<pollfd> pollDescriptors() = 0;
    // The next waiting event, without blocking; nullopt when none waits.
    virtual std::optional<AlsaEvent> readEvent() = 0;
    // Ends our client (its port and subscription go with it). Safe to call when not open.
    virtual void close() = 0;
};

// The sequencer of this machine through a client of its own (AlsaSeqClient.h; a client that
// others share is read through makeAlsaSequencer(client) there): null where there is no ALSA.
// Its open() is quiet when the sequencer is missing (libasound would complain on stderr).
std::unique_ptr<AlsaSequencer> makeAlsaSequencer();

// What an event of libasound's type number (snd_seq_event_type_t) means here; Other where there
// is no ALSA.
AlsaEvent::Kind alsaEventKind(int type);
