#pragma once
// Memory a port leaves behind on purpose: when a device refuses to close, it may still write
// into its callback block, ring and buffers and post into the notification queue, so freeing
// them would be a use-after-free. Marking them keeps leak checkers from reporting what is a
// deliberate choice (everything reachable from a marked object counts as marked).
#if defined(__SANITIZE_ADDRESS__)
#define TORVANE_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define TORVANE_HAS_LSAN 1
#endif
#endif

#if defined(TORVANE_HAS_LSAN)
#include <sanitizer/lsan_interface.h>
#endif

inline void LeakOnPurpose([[maybe_unused]] const void *object)
{
#if defined(TORVANE_HAS_LSAN)
    if (object)
        __lsan_ignore_object(object);
#endif
}
