// Accuracy run of the integer-arithmetic cosine: writes, one line each, the bits of a random
// argument, of fast_cos's result and of cosq's, in hexadecimal, for
// scripts/check_function_accuracy.py to compare with exact values; prints to stderr how many
// results differ from cosq.
// Arguments, a fifth each: the generator's 2*pi*u for u uniform on (0, 1); magnitudes spread
// evenly in log scale from 2**-57 to 8, either sign; negative values in [1/8, 4); odd multiples
// of pi/2 (up to 7*pi/2) moved by 2**-40 .. 2**-60; table points j/64 moved by 2**-8 .. 2**-48.
// Run by hand: build/bench/verify_fast_cos [count, default 1000000] [seed] > dump.txt
#include "accuracy_dump.hpp"
#include "numeric/fast_cos.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

using bench::bits_of;
using bench::from_bits;
using bench::u128;
using tarvex::Real;

// A value of the given binary exponent with a random significand.
Real random_with_exponent(std::mt19937_64& rng, int exponent) {
    const u128 fraction = ((u128(rng()) << 64) | rng()) & ((u128(1) << 112) - 1);
    return from_bits((u128(exponent + 16383) << 112) | fraction);
}

Real random_sign(std::mt19937_64& rng) {
    return (rng() & 1) != 0 ? 1 : -1;
}

} // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::mt19937_64 rng(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20261207);
    bench::AccuracyDump dump;
    for (long k = 0; k < count; ++k) {
        Real x;
        switch (k % 5) {
        case 0: {
            const u128 m = (u128(rng() >> 16) << 64) | rng();
            x = 2 * M_PIq * (static_cast<Real>((m << 1) | 1) * 0x1p-113Q);
            break;
        }
        case 1:
            x = random_sign(rng) * random_with_exponent(rng, -57 + static_cast<int>(rng() % 60));
            break;
        case 2:
            x = -random_with_exponent(rng, -3 + static_cast<int>(rng() % 5));
            break;
        case 3:
            x = M_PI_2q * static_cast<Real>(1 + 2 * (rng() % 4)) +
                random_sign(rng) * random_with_exponent(rng, -40 - static_cast<int>(rng() % 21));
            break;
        default:
            x = static_cast<Real>(rng() % 51) / 64 +
                random_sign(rng) * random_with_exponent(rng, -8 - static_cast<int>(rng() % 41));
        }
        dump.line(x, tarvex::fast_cos(x), cosq(x));
    }
    return dump.finish("verify_fast_cos", "cosq");
}
