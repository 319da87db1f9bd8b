#include "midi/backend/alsa/AlsaAnnouncements.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <utility>

AlsaAnnouncements::AlsaAnnouncements(std::unique_ptr<AlsaSequencer> sequencer,
                                     const std::string &clientName, std::function<void()> changed)
    : sequencer_(std::move(sequencer)), changed_(std::move(changed))
{
    bool started = false;
    try {
        started = start(clientName);
    } catch (const std::exception &) {
        // A thread that cannot start or memory that runs out: the editor then has no live ALSA
        // lists, which is what a machine without a sequencer has too.
    }
    if (!started && open_) {
        sequencer_->close();
        open_ = false;
    }
}

AlsaAnnouncements::~AlsaAnnouncements()
{
    if (thread_.joinable()) {
        stop_.raise();
        thread_.join();
    }
    // Only now: the thread reads the sequencer up to its last moment.
    if (open_)
        sequencer_->close();
}

bool AlsaAnnouncements::start(const std::string &clientName)
{
    // Without a stop wake-up the thread could never be ended.
    if (!sequencer_ || stop_.handle() < 0 || !sequencer_->open())
        return false;
    open_ = true;
    if (!sequencer_->setClientName(clientName))
        return false;
    const int port = sequencer_->createPort(clientName + " announcements");
    if (port < 0 || !sequencer_->subscribeToAnnouncements(port))
        return false;
    std::vector<pollfd> watch = sequencer_->pollDescriptors();
    if (watch.empty())
        return false;
    watch.push_back(pollfd{stop_.handle(), POLLIN, 0}); // last: run() tells it apart by place
    watching_.store(true, std::memory_order_release);
    try {
        thread_ = std::thread(&AlsaAnnouncements::run, this, std::move(watch));
    } catch (...) {
        watching_.store(false, std::memory_order_release);
        throw;
    }
    return true;
}

void AlsaAnnouncements::run(std::vector<pollfd> watch)
{
    const auto brokenSequencer = [](const pollfd &fd) {
        return (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    };
    for (;;) {
        // No timeout: the thread sleeps until the sequencer or the destructor has something.
        const int ready = ::poll(watch.data(), nfds_t(watch.size()), -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (watch.back().revents != 0)
            return;
        // A broken descriptor stays "ready" for ever: watching on would spin.
        const bool broken = std::any_of(watch.begin(), watch.end() - 1, brokenSequencer);
        const Burst burst = drain();
        if (broken || burst == Burst::Failed)
            break;
        if (burst == Burst::Changed)
            changed_();
    }
    // Whatever the sequencer still had is unknown now: the lists are worth reading once more.
    watching_.store(false, std::memory_order_release);
    changed_();
}

std::vector<AlsaEvent::Address> AlsaAnnouncements::takeDepartures()
{
    const std::lock_guard lock(departuresMutex_);
    return std::exchange(departures_, {});
}

AlsaAnnouncements::Burst AlsaAnnouncements::drain()
{
    // Everything waiting is read: events left in libasound's own buffer would not make the
    // descriptor readable again.
    Burst burst = Burst::Quiet;
    while (const std::optional<AlsaEvent> event = sequencer_->readEvent()) {
        if (event->kind == AlsaEvent::Kind::Failed)
            return Burst::Failed;
        if (event->kind == AlsaEvent::Kind::Other)
            continue;
        burst = Burst::Changed;
        const bool clientGone = event->kind == AlsaEvent::Kind::ClientExit;
        if (clientGone || event->kind == AlsaEvent::Kind::PortExit ||
            event->kind == AlsaEvent::Kind::Lost) {
            const std::lock_guard lock(departuresMutex_);
            departures_.push_back({event->client, clientGone ? -1 : event->port});
        }
    }
    return burst;
}
