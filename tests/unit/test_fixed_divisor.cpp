// Division by a fixed divisor: bit for bit the soft-float quotient on random operands of every
// relative size, on quotients at and next to exact values and halfway cases, with power-of-two
// and extreme divisors, and at the ends of the range where the soft-float division takes over.
#include "numeric/fixed_divisor.hpp"

#include "numeric/decimal.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_equal;

using testing::pow2;

// A random normal number with 113 random significand bits and an exponent in [low, high].
Real random_real(std::mt19937_64& gen, int low, int high) {
    const Real fraction = Real(gen() >> 1) * pow2(-63) + Real(gen() >> 14) * pow2(-113);
    const Real value =
        scalbnq(1 + fraction / 2, low + static_cast<int>(gen() % unsigned(high - low + 1)));
    return (gen() & 1) ? -value : value;
}

::testing::AssertionResult same_quotient(const FixedDivisor& divisor, Real a, Real d) {
    const Real mine = divisor.divide(a), expected = a / d;
    if (bits_equal(mine, expected) || (isnanq(mine) && isnanq(expected)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << real_to_string(a) << " / " << real_to_string(d) << ": got " << real_to_string(mine)
           << ", expected " << real_to_string(expected);
}

TEST(FixedDivisor, RandomQuotientsAreTheSoftFloatBits) {
    std::mt19937_64 gen(17);
    for (int divisors = 0; divisors < 300; ++divisors) {
        const Real d = random_real(gen, -40, 40);
        const FixedDivisor divisor(d);
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(same_quotient(divisor, random_real(gen, -60, 60), d));
    }
}

TEST(FixedDivisor, ExactAndHalfwayQuotientsAndTheirNeighbours) {
    // a = q*d for short q is an exact quotient; its neighbours lie a hair either side. Short
    // divisors times odd multiples of half a unit give quotients that are exactly halfway, which
    // must go to even.
    std::mt19937_64 gen(23);
    for (int trial = 0; trial < 20000; ++trial) {
        const Real d = scalbnq(Real(1 + gen() % (1u << 20)), static_cast<int>(gen() % 40) - 20);
        const FixedDivisor divisor(d);
        const Real q = random_real(gen, -10, 10);
        const Real a = q * d;
        ASSERT_TRUE(same_quotient(divisor, a, d));
        ASSERT_TRUE(same_quotient(divisor, nextafterq(a, 1e4000Q), d));
        ASSERT_TRUE(same_quotient(divisor, nextafterq(a, -1e4000Q), d));
        const Real halfway = (2 * Real(gen() % (1ull << 60)) + 1) * pow2(-61) + 1; // 1 + odd/2^61
        ASSERT_TRUE(same_quotient(divisor, halfway * d, d));
    }
    // The divisor a power of two, and the divisor itself.
    for (int e : {-16000, -1, 0, 1, 112, 16000}) {
        const FixedDivisor divisor(pow2(e));
        for (int i = 0; i < 1000; ++i) {
            const Real a = random_real(gen, -100, 100);
            ASSERT_TRUE(same_quotient(divisor, a, pow2(e)));
        }
        EXPECT_TRUE(bits_equal(divisor.divide(pow2(e)), 1));
    }
}

TEST(FixedDivisor, EndsOfTheRangeAndSpecialValues) {
    const Real largest = (2 - pow2(-112)) * pow2(16383), smallest_normal = pow2(-16382);
    const Real values[] = {0,
                           -0.0Q,
                           1,
                           -3,
                           largest,
                           -largest,
                           smallest_normal,
                           pow2(-16494),
                           pow2(-16400),
                           __builtin_infq(),
                           -__builtin_infq(),
                           nanq(""),
                           1e-4000Q,
                           1e4000Q};
    const Real divisors[] = {3,       -0.5Q, largest,          smallest_normal, pow2(-16450),
                             0,       -0.0Q, __builtin_infq(), nanq(""),        1e-4000Q,
                             1e4000Q, 7e-30Q};
    for (Real d : divisors) {
        const FixedDivisor divisor(d);
        for (Real a : values) EXPECT_TRUE(same_quotient(divisor, a, d));
    }
}

TEST(FixedDivisor, VectorDivisionIsTheElementwiseQuotient) {
    // Values of every kind, divided in place: each element the quotient of its own.
    std::mt19937_64 gen(29);
    std::vector<Real> values;
    for (int i = 0; i < 2000; ++i) values.push_back(random_real(gen, -200, 200));
    values.insert(values.end(), {0, -0.0Q, __builtin_infq(), nanq(""), pow2(-16494), 1e4000Q});
    const Real d = -random_real(gen, -5, 5);
    std::vector<Real> divided = values;
    FixedDivisor(d).divide_in_place(divided.data(), divided.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_TRUE(bits_equal(divided[i], values[i] / d) ||
                    (isnanq(divided[i]) && isnanq(values[i] / d)))
            << i << ": " << real_to_string(values[i]);
}

} // namespace
} // namespace tarvex
