#include "midi/backend/WakeUp.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/eventfd.h>
#endif
#endif

#if defined(_WIN32)

WakeUp::WakeUp() : read_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

WakeUp::~WakeUp()
{
    if (read_)
        ::CloseHandle(read_);
}

bool WakeUp::valid() const
{
    return read_ != nullptr;
}

void WakeUp::raise() noexcept
{
    // acq_rel: see below.
    if (!pending_.exchange(true, std::memory_order_acq_rel) && read_)
        ::SetEvent(read_);
}

void WakeUp::acknowledge() noexcept
{
    if (read_)
        ::ResetEvent(read_);
    pending_.exchange(false, std::memory_order_acq_rel);
}

#else

WakeUp::WakeUp()
{
#if defined(__linux__)
    read_ = write_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
#else
    int fds[2];
    if (::pipe(fds) == 0) {
        for (const int fd : fds) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        read_ = fds[0];
        write_ = fds[1];
    }
#endif
}

WakeUp::~WakeUp()
{
    if (read_ >= 0)
        ::close(read_);
    if (write_ >= 0 && write_ != read_)
        ::close(write_);
}

bool WakeUp::valid() const
{
    return read_ >= 0;
}

void WakeUp::raise() noexcept
{
    // acq_rel: the consumer's exchange in acknowledge() reads this store, which orders what the
    // producer published before it ahead of the drain that follows.
    if (pending_.exchange(true, std::memory_order_acq_rel))
        return;
    if (write_ < 0)
        return;
    // Eight bytes, as an eventfd wants. Non-blocking: a full pipe or a counter already set
    // means "wake up" all the same.
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(write_, &one, sizeof one);
}

void WakeUp::acknowledge() noexcept
{
    if (read_ >= 0) {
        char buffer[64];
        while (::read(read_, buffer, sizeof buffer) > 0) {
        }
    }
    // An exchange, not a store: reading the value a raise left is what makes what it published
    // visible to the drain that follows.
    pending_.exchange(false, std::memory_order_acq_rel);
}

#endif
