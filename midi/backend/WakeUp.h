#pragma once
// A wake-up that producer threads raise and one consumer thread's event loop watches: an eventfd
// where there is one, else a non-blocking pipe. A pending flag makes only the first raise after
// the consumer last acknowledged write to it, so a burst of raises costs one system call.
//
// Threads: raise() from any thread, also from several at once; it allocates nothing, takes no
// lock and never waits. handle() and acknowledge() on the consumer's thread.
#include <atomic>

class WakeUp
{
public:
    WakeUp();
    ~WakeUp();
    WakeUp(const WakeUp &) = delete;
    WakeUp &operator=(const WakeUp &) = delete;

    // Readable while a wake-up is pending; -1 when none could be made (raise() then only keeps
    // the flag, and the consumer must look by itself).
    int handle() const { return read_; }

    // Producer: after publishing what the consumer should see.
    void raise() noexcept;
    // Consumer: consumes the wake-up. Call it before draining, so that a raise during the drain
    // wakes again; it also makes what was published before the last raise visible here.
    void acknowledge() noexcept;

private:
    std::atomic<bool> pending_{false};
    int read_ = -1;
    int write_ = -1;
};
