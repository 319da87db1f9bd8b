#include "midi/backend/system/PortListPoller.h"

PortListPoller::PortListPoller(std::function<Lists()> list, std::function<void()> changed,
                               std::chrono::milliseconds period)
    : list_(std::move(list)), changed_(std::move(changed)), period_(period),
      thread_([this] { run(); })
{
}

PortListPoller::~PortListPoller()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    thread_.join();
}

void PortListPoller::run()
{
    Lists last = list_();
    std::unique_lock lock(mutex_);
    while (!stop_.wait_for(lock, period_, [this] { return stopping_; })) {
        lock.unlock();
        Lists now = list_();
        if (now != last) {
            last = std::move(now);
            changed_();
        }
        lock.lock();
    }
}
