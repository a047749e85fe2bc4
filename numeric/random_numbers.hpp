// The run's random-number generator: xoshiro256** (Blackman and Vigna) seeded through
// splitmix64 from the seed RANSEED. Uniform numbers fill 112 random bits of the binary128
// significand; normal numbers come from the Box-Muller transform in binary128.
#pragma once

#include "numeric/real.hpp"

#include <cstdint>

namespace tarvex::expr {

struct RandomGenerator {
    std::uint64_t s[4] = {0, 0, 0, 0};
    bool seeded = false;

    void seed(std::int64_t seed_value);
    std::uint64_t next();
    // Uniform on the open interval (0, 1): (2m + 1) / 2**113 with m a random 112-bit integer.
    Real uniform();
    // Standard normal.
    Real normal();
};

} // namespace tarvex::expr
