// The run's random-number generator: xoshiro256** (Blackman and Vigna) seeded through
// splitmix64 from the seed RANSEED. Uniform numbers fill 112 random bits of the binary128
// significand; normal numbers come from the Box-Muller transform in binary128.
// A caller about to take many normal numbers in a row (GENR over a long sample) may say so:
// the generator then draws their uniform numbers ahead, in order, and computes the transforms
// (a logarithm and a cosine, nearly all of the cost) for a block at a time on two threads. The
// numbers, and the generator's state after each of them, are the same as one at a time.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

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

    // The next `count` draws are expected to be normal(): they may be computed ahead.
    void expect_normals(std::size_t count);
    // Ends drawing ahead: the state becomes that after the normals handed out so far, and the
    // ones computed but not taken are dropped. uniform(), seed() and expect_normals() settle
    // first by themselves.
    void settle();

private:
    std::uint64_t raw_next();
    Real raw_uniform();
    void draw_ahead();
    std::vector<Real> ahead_;      // normals computed ahead of the caller
    std::size_t taken_ = 0;        // how many of them were handed out
    std::uint64_t before_[4] = {}; // the state before the first of them
    std::size_t expected_ = 0;     // normals still announced by expect_normals
};

} // namespace tarvex::expr
