// What the benchmarks share: the process's processor time, the wall clock, and a binary128 value's
// bits for the checksums that keep a timed call from being dropped.
#pragma once

#include "numeric/real.hpp"

#include <cstring>
#include <ctime>

namespace bench {

inline double cpu_seconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double wall_seconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline unsigned __int128 bits_of(tarvex::Real v) {
    unsigned __int128 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

} // namespace bench
