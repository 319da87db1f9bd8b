#include "sim/SimulatorInbox.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/eventfd.h>
#endif

namespace sim {

SimulatorInbox::SimulatorInbox(std::size_t capacity)
{
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(capacity, 16));
    ring_ = std::make_unique<std::uint8_t[]>(size);
    mask_ = size - 1;
#if defined(__linux__)
    wakeRead_ = wakeWrite_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
#else
    int fds[2];
    if (::pipe(fds) == 0) {
        for (const int fd : fds) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
#endif
}

SimulatorInbox::~SimulatorInbox()
{
    if (wakeRead_ >= 0)
        ::close(wakeRead_);
    if (wakeWrite_ >= 0 && wakeWrite_ != wakeRead_)
        ::close(wakeWrite_);
}

bool SimulatorInbox::push(const std::uint8_t *bytes, std::size_t size) noexcept
{
    const std::size_t head = head_.load(std::memory_order_relaxed);
    const std::size_t tail = tail_.load(std::memory_order_acquire);
    if (size > capacity() - (head - tail)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        wake(); // the consumer reports the loss
        return false;
    }
    const std::size_t at = head & mask_;
    const std::size_t first = std::min(size, capacity() - at);
    std::memcpy(&ring_[at], bytes, first);
    std::memcpy(&ring_[0], bytes + first, size - first);
    head_.store(head + size, std::memory_order_release);
    wake();
    return true;
}

void SimulatorInbox::wake() noexcept
{
    if (wakePending_.exchange(true, std::memory_order_acq_rel))
        return;
    if (wakeWrite_ < 0)
        return;
    const std::uint64_t one = 1;
    // Non-blocking: a full pipe or a counter already set means "wake up" all the same.
    [[maybe_unused]] const auto written = ::write(wakeWrite_, &one, sizeof one);
}

void SimulatorInbox::acknowledgeWake() noexcept
{
    if (wakeRead_ >= 0) {
        char buffer[64];
        while (::read(wakeRead_, buffer, sizeof buffer) > 0) {
        }
    }
    // An exchange, not a store: when a push set the flag meanwhile, reading its value here is
    // what makes the bytes it published visible to the pop that follows.
    wakePending_.exchange(false, std::memory_order_acq_rel);
}

std::size_t SimulatorInbox::pop(std::uint8_t *out, std::size_t max) noexcept
{
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t head = head_.load(std::memory_order_acquire);
    const std::size_t size = std::min(max, head - tail);
    const std::size_t at = tail & mask_;
    const std::size_t first = std::min(size, capacity() - at);
    std::memcpy(out, &ring_[at], first);
    std::memcpy(out + first, &ring_[0], size - first);
    tail_.store(tail + size, std::memory_order_release);
    return size;
}

} // namespace sim
