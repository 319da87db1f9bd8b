#include "Memory.h"

#include <fstream>
#include <unistd.h>

// Under a sanitizer the heap its allocator has handed out: the resident size also counts the
// sanitizer's shadow memory, which grows with every page the program first touches.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TORVANE_SANITIZER_HEAP 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TORVANE_SANITIZER_HEAP 1
#endif
#if defined(TORVANE_SANITIZER_HEAP)
#include <sanitizer/allocator_interface.h>
#endif

std::int64_t MemoryInUse()
{
#if defined(TORVANE_SANITIZER_HEAP)
    return std::int64_t(__sanitizer_get_current_allocated_bytes());
#else
    std::ifstream statm("/proc/self/statm");
    std::int64_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
#endif
}

bool UnderThreadSanitizer()
{
#if defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
    return true;
#endif
#endif
    return false;
}
