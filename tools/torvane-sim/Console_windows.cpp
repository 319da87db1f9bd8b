#include "tools/torvane-sim/Console.h"

#include <windows.h>

#include <atomic>
#include <iostream>
#include <mutex>
#include <thread>

namespace {

std::atomic<bool> quitWanted{false};
WakeUp *requestWake = nullptr;

// On a thread of Windows' own. Returning TRUE keeps the process alive until the main thread has
// printed the last state and returned; for a closing console Windows waits a few seconds.
BOOL WINAPI onConsoleEvent(DWORD)
{
    quitWanted = true;
    requestWake->raise();
    return TRUE;
}

} // namespace

struct Console::Impl
{
    WakeUp woken; // a request, or a line read
    std::mutex mutex;
    std::vector<std::string> lines; // read, not yet returned
    // Blocks in reading standard input for as long as it is open; left running at exit (a read
    // from a console cannot be cancelled portably), it touches only this Impl, which is leaked
    // with it.
    std::thread reader;

    void read()
    {
        for (std::string line; std::getline(std::cin, line);) {
            {
                std::lock_guard lock(mutex);
                lines.push_back(std::move(line));
            }
            woken.raise();
        }
    }
};

Console::Console() : impl_(std::make_unique<Impl>())
{
    requestWake = &impl_->woken;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    impl_->reader = std::thread([impl = impl_.get()] { impl->read(); });
}

Console::~Console()
{
    impl_->reader.detach();
    (void)impl_.release();
}

std::vector<std::string> Console::wait(const WakeUp &other)
{
    const HANDLE handles[] = {other.handle(), impl_->woken.handle()};
    ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    impl_->woken.acknowledge();
    std::lock_guard lock(impl_->mutex);
    std::vector<std::string> lines;
    lines.swap(impl_->lines);
    for (std::string &line : lines) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    }
    return lines;
}

bool Console::quitRequested() const
{
    return quitWanted;
}

void Console::requestQuit()
{
    quitWanted = true;
}

bool Console::takeStateRequest()
{
    return false; // Windows has no signal that asks for it: "state" on standard input does
}
