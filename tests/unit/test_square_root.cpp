// The square root on integer significands: every root of a positive finite number is checked to
// be the correctly rounded one by exact integer arithmetic, over random values of every binade,
// perfect squares and their neighbours, the ends of the range and subnormals; zeros, infinities,
// NaNs and negative numbers give the library routine's bits.
#include "numeric/square_root.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace tarvex {
namespace {

using u64 = std::uint64_t;
using testing::bits_of;
using testing::from_bits;
using testing::u128;

constexpr u128 FRACTION_MASK = (u128(1) << 112) - 1;

std::string hex(u128 bits) {
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(bits >> 64),
                  static_cast<unsigned long long>(bits));
    return text;
}

// A 256-bit unsigned integer.
struct UInt256 {
    u128 high, low;
    bool operator<(const UInt256& other) const {
        return high != other.high ? high < other.high : low < other.low;
    }
};

// v^2 for v < 2^127.
UInt256 square(u128 v) {
    const u128 vl = static_cast<u64>(v), vh = v >> 64;
    const u128 cross = 2 * (vh * vl); // < 2^128 for v < 2^127
    const u128 low = vl * vl + (cross << 64);
    const u128 carry = low < (cross << 64);
    return {vh * vh + (cross >> 64) + carry, low};
}

// Whether `root` is sqrt(x) rounded to nearest, for a positive finite x: the root must be normal,
// root = Y * 2^(k - 112) with Y in [2^112, 2^113), x = M * 2^(2k - 112) with M an integer, and
// (Y - 1/2)^2 < M * 2^112 < (Y + 1/2)^2, that is (2Y - 1)^2 < M * 2^114 < (2Y + 1)^2.
::testing::AssertionResult rounded_root(Real x, Real root) {
    const u128 xb = bits_of(x), rb = bits_of(root);
    const auto failure = [&] {
        return ::testing::AssertionFailure() << "sqrt of " << hex(xb) << " gave " << hex(rb);
    };
    const int root_field = static_cast<int>(rb >> 112);
    if (root_field < 1 || root_field > 0x7ffe)
        return failure() << " (not a positive normal number)";
    const u128 Y = (rb & FRACTION_MASK) | (u128(1) << 112);
    const int k = root_field - 16383;
    // x = m * 2^(e - 112), m < 2^113 with the leading bit anywhere for a subnormal.
    const int x_field = static_cast<int>(xb >> 112);
    const u128 m = x_field == 0 ? (xb & FRACTION_MASK) : (xb & FRACTION_MASK) | (u128(1) << 112);
    const int e = x_field == 0 ? -16382 : x_field - 16383;
    const int shift = e - 2 * k;
    if (shift < 0 || shift > 120 || (shift > 0 && (m >> (127 - shift)) != 0))
        return failure() << " (exponent off)";
    const u128 M = m << shift;
    if (M >> 114 != 0) return failure() << " (exponent off)";
    const UInt256 scaled{M >> 14, M << 114};
    if (!(square(2 * Y - 1) < scaled) || !(scaled < square(2 * Y + 1)))
        return failure() << " (not the nearest)";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult same_bits_shown(Real actual, Real expected) {
    if (bits_of(actual) == bits_of(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << hex(bits_of(actual)) << ", expected " << hex(bits_of(expected));
}

u128 random_bits(std::mt19937_64& gen) {
    return (u128(gen()) << 64) | gen();
}

TEST(SquareRoot, RandomValuesOfEveryBinadeRoundToNearest) {
    std::mt19937_64 gen(113);
    int failures = 0;
    for (int i = 0; i < 3000000 && failures < 10; ++i) {
        const u128 field = 1 + gen() % 0x7ffe;
        const Real x = from_bits((field << 112) | (random_bits(gen) & FRACTION_MASK));
        const auto verdict = rounded_root(x, square_root(x));
        EXPECT_TRUE(verdict);
        failures += !verdict;
    }
}

TEST(SquareRoot, PerfectSquaresAreExactAndTheirNeighboursRoundToNearest) {
    std::mt19937_64 gen(57);
    int failures = 0;
    for (int i = 0; i < 300000 && failures < 10; ++i) {
        // r < 2^56, so r^2 and r itself are exact; scaled by an even power of two.
        const u64 r = (gen() >> 8) | 1;
        const int scale = static_cast<int>(gen() % 16000) - 8000;
        const Real root = scalbnq(Real(r), scale);
        const Real x = root * root;
        ASSERT_TRUE(same_bits_shown(square_root(x), root)) << r << " * 2^" << scale;
        for (const Real neighbour : {nextafterq(x, 0), nextafterq(x, 2 * x)}) {
            const auto verdict = rounded_root(neighbour, square_root(neighbour));
            EXPECT_TRUE(verdict);
            failures += !verdict;
        }
    }
    EXPECT_TRUE(same_bits_shown(square_root(4), 2));
    EXPECT_TRUE(same_bits_shown(square_root(0.25Q), 0.5Q));
    EXPECT_TRUE(same_bits_shown(square_root(1), 1));
    EXPECT_TRUE(same_bits_shown(square_root(scalbnq(1, -16382)), scalbnq(1, -8191)));
}

TEST(SquareRoot, RootOfTwoIsTheNearestValueBelow) {
    // sqrt(2) = 1.6a09e667f3bcc908b2fb1366ea957d3e... in hexadecimal: the 112-bit fraction
    // rounds down.
    const u128 expected = (u128(0x3fff6a09e667f3bcULL) << 64) | 0xc908b2fb1366ea95ULL;
    EXPECT_TRUE(same_bits_shown(square_root(2), from_bits(expected)));
    EXPECT_TRUE(rounded_root(2, square_root(2)));
}

TEST(SquareRoot, EndsOfTheRangeAndSubnormals) {
    const Real largest = FLT128_MAX, smallest_normal = FLT128_MIN, smallest = FLT128_DENORM_MIN;
    for (const Real x : {largest, nextafterq(largest, 0), smallest_normal,
                         nextafterq(smallest_normal, 1), nextafterq(smallest_normal, 0), smallest,
                         2 * smallest, 3 * smallest, smallest_normal - smallest_normal / 3})
        EXPECT_TRUE(rounded_root(x, square_root(x)));
    EXPECT_TRUE(same_bits_shown(square_root(smallest), scalbnq(1, -8247)));
    EXPECT_TRUE(same_bits_shown(square_root(4 * smallest), scalbnq(1, -8246)));

    std::mt19937_64 gen(16382);
    for (int i = 0; i < 100000; ++i) {
        const int width = 1 + static_cast<int>(gen() % 112); // leading bit anywhere in the fraction
        const u128 fraction = (random_bits(gen) & FRACTION_MASK) >> (112 - width);
        const Real x = from_bits(fraction | 1);
        ASSERT_TRUE(rounded_root(x, square_root(x)));
    }
}

TEST(SquareRoot, ZerosInfinitiesNaNsAndNegativeNumbersGiveTheLibraryBits) {
    const Real infinity = __builtin_infq();
    const Real nan = __builtin_nanq("");
    EXPECT_TRUE(same_bits_shown(square_root(0), 0));
    EXPECT_TRUE(same_bits_shown(square_root(-0.0Q), -0.0Q));
    EXPECT_TRUE(same_bits_shown(square_root(infinity), infinity));
    for (const Real x : {-infinity, nan, -nan, from_bits(bits_of(nan) | 12345), Real(-1),
                         -FLT128_MIN, -FLT128_DENORM_MIN, -FLT128_MAX}) {
        EXPECT_TRUE(isnanq(square_root(x)));
        EXPECT_TRUE(same_bits_shown(square_root(x), sqrtq(x)));
    }
}

} // namespace
} // namespace tarvex
