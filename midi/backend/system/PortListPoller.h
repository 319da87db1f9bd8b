#pragma once
// Follows the port lists of a MIDI system that announces nothing (WinMM): a thread of its own
// lists the ports every period and calls changed() when either list differs from the one it
// listed before. The first listing only sets the lists to compare with.
//
// Threads: list and changed run on the poller's thread, never at the same time. The destructor
// stops the thread: it returns once a listing under way has ended.
#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PortListPoller
{
public:
    // The ports we send to, then the ports we receive from.
    using Lists = std::array<std::vector<std::string>, 2>;

    PortListPoller(std::function<Lists()> list, std::function<void()> changed,
                   std::chrono::milliseconds period = std::chrono::seconds(1));
    ~PortListPoller();
    PortListPoller(const PortListPoller &) = delete;
    PortListPoller &operator=(const PortListPoller &) = delete;

private:
    void run();

    const std::function<Lists()> list_;
    const std::function<void()> changed_;
    const std::chrono::milliseconds period_;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread thread_;
};
