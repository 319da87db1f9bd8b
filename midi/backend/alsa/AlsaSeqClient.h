#pragma once
// The editor's one client of the ALSA sequencer: every port of ours lives on it (the output
// that writes to a device, the input a device writes to, the private port the system's
// announcements come to), so the editor shows up in the sequencer once, under its own name.
//
// One snd_seq_t serves every thread, each on its own side of it:
// - The caller's (GUI) thread lists ports, makes and removes ours and connects them.
// - Sender threads write, one message at a time. Writes and the GUI thread's calls share one
//   mutex: libasound's handle is not made for two threads on one side at once.
// - One reading thread (the announcement watcher's: see AlsaSequencer.h) reads every event that
//   arrives: announcements go back to it, and what a device sends to one of our ports is
//   decoded to MIDI bytes and handed to that port's receiver.
// Linux only; elsewhere there is no ALSA and nothing here is built.
#include "midi/backend/alsa/AlsaSequencer.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

typedef struct _snd_seq snd_seq_t;
typedef struct snd_midi_event snd_midi_event_t;

class AlsaSeqClient
{
public:
    // What a port of ours is for. Sending and Receiving ports can be subscribed (that is how
    // they are connected); the announcement port cannot, and no one else lists it.
    enum class Role { Sending, Receiving, Announcements };

    // Gets what arrives at one of our ports, on the reading thread.
    class Receiver
    {
    public:
        // bytes: one event's MIDI bytes: a whole short message, or a SysEx or a piece of one
        // (the sequencer cuts long ones into pieces, in order).
        virtual void received(const std::uint8_t *bytes, std::size_t size) noexcept = 0;
        // Events for our ports were lost (our input queue overflowed): what is under way is cut.
        virtual void lost() noexcept = 0;

    protected:
        ~Receiver() = default;
    };

    // Our client, named name, reading without blocking; null when there is no sequencer (asked
    // quietly first: libasound complains on stderr otherwise).
    static std::unique_ptr<AlsaSeqClient> open(const std::string &name);
    ~AlsaSeqClient();
    AlsaSeqClient(const AlsaSeqClient &) = delete;
    AlsaSeqClient &operator=(const AlsaSeqClient &) = delete;

    bool setName(const std::string &name);

    // The ports of the other clients that we can send to (Role::Sending: writable and open to
    // subscription) or receive from (readable and open to subscription), as "client:port C:P",
    // in the sequencer's order. Neither the system client nor any client named as ours is
    // listed: other copies of the editor are not devices.
    std::vector<std::string> portNames(Role role) const;
    // The address of the port so listed now; nullopt when none is.
    std::optional<AlsaEvent::Address> find(Role role, const std::string &fullName) const;

    // A port of ours: its number, or negative on failure.
    int createPort(const std::string &name, Role role);
    void deletePort(int port);
    // Subscribes the device's port to our port (our port writes to it, or it writes to ours).
    bool connect(int port, Role role, AlsaEvent::Address device);
    void disconnect(int port, Role role, AlsaEvent::Address device);
    // Whether our port is subscribed to the device's port now. The sequencer ends the
    // subscription when either port goes; a message sent without one reaches nobody, and the
    // sequencer still takes it and says it went.
    bool connected(int port, AlsaEvent::Address device) const;
    // Routes the system announce port's events to our port.
    bool subscribeToAnnouncements(int port);

    // Sender thread: one whole message (a SysEx, or one short message) from our port to what is
    // connected to it, handed to the sequencer at once. 0, or the sequencer's negative error
    // (a full queue is one, -EAGAIN or -ENOMEM: the client does not block).
    int send(int port, const std::uint8_t *bytes, std::size_t size);

    // What arrives at port goes to receiver from now on; null: to no one, and once this returns
    // no call reaches the receiver that was there.
    void listen(int port, Receiver *receiver);

    // The reading thread's: the descriptors that become readable when an event waits, and the
    // next waiting event (without blocking; nullopt when none waits). Events for a listened
    // port are handed to its receiver on the way and read as Kind::Other.
    std::vector<pollfd> pollDescriptors();
    std::optional<AlsaEvent> readEvent();

private:
    AlsaSeqClient(snd_seq_t *seq, snd_midi_event_t *decoder);
    // Reading thread: hands a music event (a snd_seq_event_t) to the receiver of the port it
    // came to, if any.
    void deliver(const void *event);

    snd_seq_t *const seq_;
    std::string name_;
    // The GUI thread's calls and the sender threads' writes, one at a time.
    mutable std::mutex mutex_;
    snd_midi_event_t *const decoder_; // the reading thread's alone
    snd_midi_event_t *encoder_ = nullptr;
    std::mutex receiversMutex_;
    std::map<int, Receiver *> receivers_;
};

// The sequencer's announcements read through client (which must outlive it): open() and close()
// leave the client open, and close() removes the announcement port.
std::unique_ptr<AlsaSequencer> makeAlsaSequencer(AlsaSeqClient &client);
