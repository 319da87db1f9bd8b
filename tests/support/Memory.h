#pragma once
// Memory the process holds: the heap's live bytes under AddressSanitizer (whose quarantine keeps
// freed memory resident on purpose), the resident set otherwise. And what the build's sanitizer
// costs: work sized for a plain build is cut down where it makes every access slow.
#include <cstdint>

std::int64_t MemoryInUse();

// Whether this build runs under ThreadSanitizer, which makes each shared access many times
// slower: threads that spin a fixed amount of work against each other do less there.
bool UnderThreadSanitizer();
