#include "support/ScriptedAlsaSequencer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

ScriptedAlsaSequencer::ScriptedAlsaSequencer(Step failing) : failing_(failing)
{
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        read_ = fds[0];
        write_ = fds[1];
    } else {
        ADD_FAILURE() << "no pipe for the scripted sequencer";
    }
}

ScriptedAlsaSequencer::~ScriptedAlsaSequencer()
{
    for (const int fd : {read_, write_})
        if (fd >= 0)
            ::close(fd);
}

void ScriptedAlsaSequencer::announce(const std::vector<AlsaEvent::Kind> &burst)
{
    std::lock_guard lock(mutex_);
    for (const AlsaEvent::Kind kind : burst)
        waiting_.push_back(AlsaEvent{kind, 20, 0});
    emptyReadsAtAnnounce_ = emptyReads_;
    const char byte = 1;
    if (!burst.empty() && ::write(write_, &byte, 1) != 1)
        ADD_FAILURE() << "the scripted sequencer could not announce";
}

bool ScriptedAlsaSequencer::waitUntilDrained()
{
    // A hang guard only: a reader that works drains a burst in well under a millisecond.
    std::unique_lock lock(mutex_);
    return drained_.wait_for(lock, std::chrono::seconds(10), [this] {
        return waiting_.empty() && emptyReads_ > emptyReadsAtAnnounce_;
    });
}

void ScriptedAlsaSequencer::hangUp()
{
    std::lock_guard lock(mutex_);
    ::close(write_);
    write_ = -1;
}

int ScriptedAlsaSequencer::consumed() const
{
    std::lock_guard lock(mutex_);
    return consumed_;
}

std::vector<std::string> ScriptedAlsaSequencer::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

bool ScriptedAlsaSequencer::step(Step which, const std::string &call)
{
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
    return failing_ != which;
}

bool ScriptedAlsaSequencer::open()
{
    open_ = step(Step::Open, "open");
    return open_;
}

bool ScriptedAlsaSequencer::setClientName(const std::string &name)
{
    return step(Step::Name, "name " + name);
}

int ScriptedAlsaSequencer::createPort(const std::string &name)
{
    return step(Step::Port, "port " + name) ? 3 : -1;
}

bool ScriptedAlsaSequencer::subscribeToAnnouncements(int port)
{
    return step(Step::Subscribe, "subscribe " + std::to_string(port));
}

std::vector<pollfd> ScriptedAlsaSequencer::pollDescriptors()
{
    if (!step(Step::Descriptors, "descriptors"))
        return {};
    return {pollfd{read_, POLLIN, 0}};
}

std::optional<AlsaEvent> ScriptedAlsaSequencer::readEvent()
{
    std::lock_guard lock(mutex_);
    if (!open_)
        ADD_FAILURE() << "an event read from a sequencer that is not open";
    if (!waiting_.empty()) {
        const AlsaEvent event = waiting_.front();
        waiting_.pop_front();
        ++consumed_;
        return event;
    }
    // Nothing waits: the descriptor is no longer readable, as the sequencer's would not be.
    char bytes[64];
    while (::read(read_, bytes, sizeof bytes) > 0) {
    }
    ++emptyReads_;
    drained_.notify_all();
    return std::nullopt;
}

void ScriptedAlsaSequencer::close()
{
    std::lock_guard lock(mutex_);
    calls_.push_back("close");
    if (!open_)
        ADD_FAILURE() << "closed a sequencer that is not open";
    open_ = false;
}
