#pragma once
// Memory the process holds: the heap's live bytes under AddressSanitizer (whose quarantine keeps
// freed memory resident on purpose), the resident set otherwise.
#include <cstdint>

std::int64_t MemoryInUse();
