#include "Memory.h"

#include <fstream>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORVANE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TORVANE_ASAN 1
#endif
#if defined(TORVANE_ASAN)
#include <sanitizer/allocator_interface.h>
#endif

std::int64_t MemoryInUse()
{
#if defined(TORVANE_ASAN)
    return std::int64_t(__sanitizer_get_current_allocated_bytes());
#else
    std::ifstream statm("/proc/self/statm");
    std::int64_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
#endif
}
