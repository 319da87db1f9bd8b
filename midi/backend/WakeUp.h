#pragma once
// A wake-up that producer threads raise and one consumer thread's event loop watches: an eventfd
// where there is one, else a non-blocking pipe; on Windows an event object. A pending flag makes
// only the first raise after the consumer last acknowledged signal it, so a burst of raises
// costs one system call.
//
// Threads: raise() from any thread, also from several at once; it allocates nothing, takes no
// lock and never waits. handle() and acknowledge() on the consumer's thread.
#include <atomic>

class WakeUp
{
public:
#if defined(_WIN32)
    // A manual-reset event, signalled while a wake-up is pending.
    using Handle = void *;
#else
    // A file descriptor, readable while a wake-up is pending.
    using Handle = int;
#endif

    WakeUp();
    ~WakeUp();
    WakeUp(const WakeUp &) = delete;
    WakeUp &operator=(const WakeUp &) = delete;

    // What the consumer's event loop watches. When none could be made, valid() is false:
    // raise() then only keeps the flag, and the consumer must look by itself.
    Handle handle() const
    {
        return read_;
    }
    bool valid() const;

    // Producer: after publishing what the consumer should see.
    void raise() noexcept;
    // Consumer: consumes the wake-up. Call it before draining, so that a raise during the drain
    // wakes again; it also makes what was published before the last raise visible here.
    void acknowledge() noexcept;

private:
    std::atomic<bool> pending_{false};
#if defined(_WIN32)
    Handle read_ = nullptr; // the event: both ends
#else
    Handle read_ = -1;
    Handle write_ = -1;
#endif
};
