#pragma once
// A scripted ALSA sequencer for the announcement watcher's tests: the test announces bursts of
// events, which wait in a queue behind a pipe that is readable exactly while events wait, as
// the sequencer's descriptor is. One set-up step can be made to fail, every set-up call is
// recorded as a line of text, and a read after close() fails the test.
#include "midi/backend/alsa/AlsaSequencer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class ScriptedAlsaSequencer final : public AlsaSequencer
{
public:
    enum class Step { None, Open, Name, Port, Subscribe, Descriptors };
    explicit ScriptedAlsaSequencer(Step failing = Step::None);
    ~ScriptedAlsaSequencer() override;

    // ---- the system's side, from the test's thread ----
    void announce(const std::vector<AlsaEvent::Kind> &burst);
    // Waits (within a hang guard) until the reader has taken everything announced and found
    // the queue empty after it; false when it never does.
    bool waitUntilDrained();
    // The far end goes away: the descriptor reports a hang-up from now on.
    void hangUp();
    int consumed() const; // events read so far
    std::vector<std::string> calls() const;

    // ---- AlsaSequencer ----
    bool open() override;
    bool setClientName(const std::string &name) override;
    int createPort(const std::string &name) override;
    bool subscribeToAnnouncements(int port) override;
    std::vector<pollfd> pollDescriptors() override;
    std::optional<AlsaEvent> readEvent() override;
    void close() override;

private:
    bool step(Step which, const std::string &call);

    const Step failing_;
    mutable std::mutex mutex_;
    std::condition_variable drained_;
    std::deque<AlsaEvent> waiting_;
    std::vector<std::string> calls_;
    int consumed_ = 0;
    int emptyReads_ = 0;
    int emptyReadsAtAnnounce_ = 0;
    bool open_ = false;
    int read_ = -1;
    int write_ = -1;
};
