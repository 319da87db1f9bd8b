#pragma once
// Follows the ALSA sequencer's announcements, so that the device lists follow ports that come
// and go without anyone asking: a thread of its own sleeps in poll() on the sequencer and a
// stop wake-up, and wakes only when the sequencer announces something (never when idle). It
// reads every waiting event and, when that burst held a client or port that started, exited
// or changed, calls `changed` once for the burst. Our own client's ports count like any other.
// On the editor's own client (AlsaSeqClient) the thread is the client's one reader: it also
// wakes for what devices send to our inputs, which the sequencer's reads hand on to them.
//
// A sequencer that cannot be opened, or set up to announce to us, leaves the watcher idle: no
// thread, no callback, no error; watching() tells the owner. If the sequencer later fails, the
// watcher calls `changed` one last time (the lists are worth reading again) and stops watching.
//
// Threads: `changed` runs on the watcher's thread and must not throw. The destructor wakes the
// thread and joins it, after letting a running `changed` return: `changed` must neither destroy
// the watcher nor wait for whoever does.
#include "midi/backend/WakeUp.h"
#include "midi/backend/alsa/AlsaSequencer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class AlsaAnnouncements
{
public:
    // Opens `sequencer` (null: none) as client `clientName` and starts watching.
    AlsaAnnouncements(std::unique_ptr<AlsaSequencer> sequencer, const std::string &clientName,
                      std::function<void()> changed);
    ~AlsaAnnouncements();
    AlsaAnnouncements(const AlsaAnnouncements &) = delete;
    AlsaAnnouncements &operator=(const AlsaAnnouncements &) = delete;

    // True while the thread follows the sequencer: false when it could not be opened or
    // has failed since.
    bool watching() const { return watching_.load(std::memory_order_acquire); }
    // Any thread: the ports that went away since the last call (port -1: the client's every
    // port; client -1: events were lost, any may have). A port that comes back under the same
    // address is a new port: whoever was connected to it must connect again.
    std::vector<AlsaEvent::Address> takeDepartures();

private:
    enum class Burst { Quiet, Changed, Failed };

    bool start(const std::string &clientName);
    void run(std::vector<pollfd> watch);
    Burst drain();

    std::unique_ptr<AlsaSequencer> sequencer_;
    std::function<void()> changed_;
    bool open_ = false;
    std::atomic<bool> watching_{false};
    std::mutex departuresMutex_;
    std::vector<AlsaEvent::Address> departures_;
    WakeUp stop_;
    std::thread thread_;
};
