#include "tools/torvane-sim/Console.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stateWanted = 0;
volatile std::sig_atomic_t quitWanted = 0;
// Raised by the signal handlers: a signal that lands just before the main thread enters poll()
// must still wake it, which an interrupted system call alone would not do.
WakeUp *signalWake = nullptr;

void onSignal(int number)
{
    if (number == SIGUSR1)
        stateWanted = 1;
    else
        quitWanted = 1;
    // Lock-free and a write(): safe in a signal handler, on whichever thread it runs.
    signalWake->raise();
}

} // namespace

struct Console::Impl
{
    WakeUp signalled;
    bool open = true; // standard input has not ended
    std::string pending;
};

Console::Console() : impl_(std::make_unique<Impl>())
{
    signalWake = &impl_->signalled;
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGUSR1, SIGINT, SIGTERM})
        sigaction(number, &action, nullptr);
}

Console::~Console() = default;

std::vector<std::string> Console::wait(const WakeUp &other)
{
    WakeUp &signalled = impl_->signalled;
    // Without a wake-up (none could be made) the loop has to look by itself.
    const int timeout = other.valid() && signalled.valid() ? -1 : 2;
    std::array<pollfd, 3> watch{
        {{other.handle(), POLLIN, 0}, {signalled.handle(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}}};
    if (::poll(watch.data(), impl_->open ? 3 : 2, timeout) < 0 && errno != EINTR) {
        std::perror("torvane-sim: poll");
        quitWanted = 1;
    }
    signalled.acknowledge(); // before the flags are read: a later signal wakes again
    std::vector<std::string> lines;
    if (!impl_->open || !(watch[2].revents & (POLLIN | POLLHUP)))
        return lines;
    // poll() said there is something, so read() does not block, and the terminal's own flags
    // are left alone.
    char chunk[256];
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got == 0)
        impl_->open = false;
    if (got <= 0)
        return lines;
    std::string &pending = impl_->pending;
    pending.append(chunk, std::size_t(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        lines.push_back(pending.substr(0, end));
        pending.erase(0, end + 1);
    }
    return lines;
}

bool Console::quitRequested() const
{
    return quitWanted != 0;
}

void Console::requestQuit()
{
    quitWanted = 1;
}

bool Console::takeStateRequest()
{
    if (!stateWanted)
        return false;
    stateWanted = 0;
    return true;
}
