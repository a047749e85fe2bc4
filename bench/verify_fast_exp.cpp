// Accuracy run of the integer-arithmetic exponential: writes, one line each, the bits of a random
// argument, of fast_exp's result and of expq's, in hexadecimal, for
// scripts/check_function_accuracy.py to compare with exact values; prints to stderr how many
// results differ from expq. Arguments: a third uniform on [-50, 50] (the range models evaluate), a
// third uniform on the whole normal range [-11355, 11355], a third with magnitudes spread evenly in
// log scale from 2**-64 to 2**13 and a random sign; every significand bit random. Run by hand:
// build/bench/verify_fast_exp [count, default 1000000] [seed] > dump.txt
#include "accuracy_dump.hpp"
#include "numeric/fast_exp.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

using bench::bits_of;
using bench::from_bits;
using bench::u128;
using tarvex::Real;

// A value of the given binary exponent with a random significand and sign.
Real random_with_exponent(std::mt19937_64& rng, int exponent, bool negative) {
    const u128 fraction = ((u128(rng()) << 64) | rng()) & ((u128(1) << 112) - 1);
    return from_bits((u128(negative) << 127) | (u128(exponent + 16383) << 112) | fraction);
}

// A uniform value on [-limit, limit] with all 113 significand bits random below its leading bit.
Real random_uniform(std::mt19937_64& rng, Real limit) {
    const Real unit = scalbnq(Real((rng() >> 11)), -53) + scalbnq(Real((rng() >> 4)), -113);
    Real v = (2 * unit - 1) * limit;
    u128 b = bits_of(v);
    b ^= (u128(rng()) & 0x3f); // the last bits random as well
    return from_bits(b);
}

} // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::mt19937_64 rng(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20261207);
    bench::AccuracyDump dump;
    for (long k = 0; k < count; ++k) {
        Real x;
        switch (k % 3) {
        case 0:
            x = random_uniform(rng, 50);
            break;
        case 1:
            x = random_uniform(rng, 11355);
            break;
        default: {
            const int exponent = -64 + static_cast<int>(rng() % 78);
            x = random_with_exponent(rng, exponent, (rng() & 1) != 0);
            if (__builtin_fabsq(x) > 11355) x = random_with_exponent(rng, 12, (rng() & 1) != 0);
        }
        }
        dump.line(x, tarvex::fast_exp(x), expq(x));
    }
    return dump.finish("verify_fast_exp", "expq");
}
