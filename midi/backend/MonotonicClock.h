#pragma once
// The clock the system inputs stamp what they receive with, where the system gives no time of
// its own that the editor could use: microseconds of the steady clock, which never goes back.
#include <chrono>
#include <cstdint>

inline std::uint64_t monotonicMicroseconds()
{
    using namespace std::chrono;
    return std::uint64_t(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}
