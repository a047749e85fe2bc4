// The fused multiply-subtract y - c*x: one rounding where the product and the subtraction would
// round twice, bit for bit the libquadmath fma on random operands of every relative size, on
// near-total cancellation, at exact ties and around the ends of the normal range, and the vector
// update element by element.
#include "numeric/fused_axpy.hpp"

#include "numeric/decimal.hpp"
#include "numeric/exact_dot.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::pow2;

using testing::same_bits;

// Bit equality, with any NaN equal to any NaN.
::testing::AssertionResult agrees(Real actual, Real expected, Real y, Real c, Real x) {
    if (same_bits(actual, expected) || (isnanq(actual) && isnanq(expected)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << real_to_string(y) << " - " << real_to_string(c) << " * " << real_to_string(x)
           << ": got " << real_to_string(actual) << ", expected " << real_to_string(expected);
}

// The reference: y + (-c)*x, exact, rounded once, by the library's fma.
Real reference(Real y, Real c, Real x) {
    return fmaq(-c, x, y);
}

// A random normal number: 113 random significand bits, exponent in [low, high], random sign.
Real random_operand(std::mt19937_64& gen, int low, int high) {
    const Real fraction = Real(gen() >> 1) * pow2(-63) + Real(gen() >> 14) * pow2(-113);
    const int exponent = low + static_cast<int>(gen() % static_cast<unsigned>(high - low + 1));
    const Real value = scalbnq(1 + fraction / 2, exponent);
    return (gen() & 1) ? -value : value;
}

TEST(FusedAxpy, RoundsOnceWhereTwoRoundingsLoseTheAnswer) {
    // (1 + 2^-112)^2 = 1 + 2^-111 + 2^-224: the rounded product is 1 + 2^-111, so the two-step
    // y - c*x gives 0; the fused form keeps the exact -2^-224.
    const Real c = 1 + pow2(-112);
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1 + pow2(-111), c, c), -pow2(-224)));
    EXPECT_TRUE(same_bits((1 + pow2(-111)) - c * c, Real(0)));
    EXPECT_TRUE(same_bits(fused_multiply_add(-(1 + pow2(-111)), c, c), pow2(-224)));
    // Exact cancellation is +0; a zero product leaves y alone.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(6, 2, 3), Real(0)));
    EXPECT_TRUE(same_bits(fused_multiply_subtract(-6, -2, 3), Real(0)));
    EXPECT_TRUE(same_bits(fused_multiply_subtract(7.5Q, 0, 3), 7.5Q));
    EXPECT_TRUE(same_bits(fused_multiply_subtract(-7.5Q, 3, 0), -7.5Q));
}

TEST(FusedAxpy, TiesGoToEven) {
    // 1 + 2^-113 is halfway between 1 and 1 + 2^-112: the even 1.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1, -pow2(-113), 1), Real(1)));
    // (1 + 2^-112) + 2^-113 is halfway to the even 1 + 2^-111.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1 + pow2(-112), pow2(-113), -1), 1 + pow2(-111)));
    // A hair beyond the half, far below the window of y, rounds up; a hair short rounds down.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1, -pow2(-113), 1 + pow2(-112)), 1 + pow2(-112)));
    EXPECT_TRUE(same_bits(fused_multiply_subtract(1, -pow2(-113), 1 - pow2(-113)), Real(1)));
    // Rounding up carries into the next binade: (2 - 2^-112) + 2^-113 is 2.
    EXPECT_TRUE(same_bits(fused_multiply_subtract(2 - pow2(-112), -pow2(-113), 1), Real(2)));
}

TEST(FusedAxpy, MatchesTheLibraryFmaOnRandomOperands) {
    std::mt19937_64 gen(2024);
    long checked = 0;
    for (int spread : {0, 2, 60, 120, 130, 240, 400}) {
        for (int i = 0; i < 40000; ++i) {
            const Real c = random_operand(gen, -spread / 2, spread / 2);
            const Real x = random_operand(gen, -spread / 2, spread / 2);
            const Real y = random_operand(gen, -spread, spread);
            ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
            ++checked;
        }
    }
    EXPECT_EQ(checked, 280000);
}

TEST(FusedAxpy, MatchesTheLibraryFmaUnderCancellation) {
    // y near c*x: the rounded product nudged by a few units in the last place, so that most of
    // the leading bits cancel and the low half of the exact product decides the result.
    std::mt19937_64 gen(99);
    for (int i = 0; i < 100000; ++i) {
        const Real c = random_operand(gen, -20, 20);
        const Real x = random_operand(gen, -20, 20);
        Real y = c * x;
        const int nudge = static_cast<int>(gen() % 7) - 3;
        y = nudge == 0 ? y : nextafterq(y, nudge > 0 ? Real(1e4000Q) : Real(-1e4000Q));
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
        // The same against the exact accumulator, an independent exact sum.
        ExactAccumulator exact;
        exact.add(y);
        exact.add_product(-c, x);
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), exact.result(), y, c, x));
    }
}

TEST(FusedAxpy, EveryGapBetweenTheTermsMatchesTheLibraryFma) {
    // y and c*x a set number of binades apart, from y far above the product to far below it:
    // the terms meet at every shift, across the points where bits start to be lost below the
    // window and where the update leaves its inline route.
    std::mt19937_64 gen(2024);
    for (int gap = -240; gap <= 240; ++gap)
        for (int i = 0; i < 400; ++i) {
            const Real c = random_operand(gen, -3, 3);
            const Real x = random_operand(gen, -3, 3);
            const Real y = scalbnq(random_operand(gen, 0, 0), ilogbq(c * x) - gap);
            ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
        }
}

TEST(FusedAxpy, BitsBelowTheWindowStillDecideATie) {
    // Products c*x = A*2^128 + 1 with A odd: 127 zero bits between the upper part and a last bit
    // that falls below the working window. Added to y = 2^241, the sum lies just above a tie, and
    // only the lost last bit, kept as a sticky bit, makes it round up. Such c and x are odd
    // 113-bit c whose inverse modulo 2^128 happens to have 113 bits or fewer.
    using u128 = unsigned __int128;
    const u128 low_half = (u128(1) << 64) - 1;
    std::mt19937_64 gen(7);
    int found = 0;
    for (long attempt = 0; attempt < 20000000 && found < 24; ++attempt) {
        const u128 c = (u128(1) << 112) | (u128(gen() & ((1ULL << 48) - 1)) << 64) | gen() | 1;
        u128 inverse = c; // right to 3 bits; each Newton step doubles them
        for (int step = 0; step < 6; ++step) inverse *= 2 - c * inverse;
        if (inverse >> 113 != 0) continue;
        // A, the product's upper 128 bits, from the four 64-bit partial products.
        const u128 ll = (c & low_half) * (inverse & low_half);
        const u128 lh = (c & low_half) * (inverse >> 64), hl = (c >> 64) * (inverse & low_half);
        const u128 middle = (ll >> 64) + (lh & low_half) + (hl & low_half);
        const u128 upper = (c >> 64) * (inverse >> 64) + (lh >> 64) + (hl >> 64) + (middle >> 64);
        if ((upper & 1) == 0) continue;
        ++found;
        const Real cr = Real(c), xr = Real(inverse), y = pow2(241);
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, -cr, xr), reference(y, -cr, xr), y, -cr, xr));
        ASSERT_TRUE(agrees(fused_multiply_subtract(-y, cr, xr), reference(-y, cr, xr), -y, cr, xr));
    }
    EXPECT_EQ(found, 24);
}

TEST(FusedAxpy, EdgesOfTheRangeAndSpecialValues) {
    const Real inf = __builtin_infq();
    const Real nan = __builtin_nanq("");
    const Real tiny = pow2(-16382); // smallest normal
    const Real denormal = pow2(-16400);
    const Real huge = scalbnq(2 - pow2(-112), 16383);
    const std::vector<Real> values = {0,
                                      -Real(0),
                                      1,
                                      -1,
                                      3,
                                      tiny,
                                      -tiny,
                                      denormal,
                                      -denormal,
                                      huge,
                                      -huge,
                                      inf,
                                      -inf,
                                      nan,
                                      pow2(8000),
                                      pow2(-8000),
                                      1 + pow2(-112),
                                      0.1Q,
                                      -7.25Q,
                                      pow2(-16300),
                                      pow2(16300)};
    for (Real y : values)
        for (Real c : values)
            for (Real x : values)
                ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
    // Results that underflow into the subnormal range or overflow, from normal operands.
    std::mt19937_64 gen(5);
    for (int i = 0; i < 20000; ++i) {
        const bool low = (i & 1) != 0;
        const Real c = random_operand(gen, low ? -8300 : 8150, low ? -8150 : 8300);
        const Real x = random_operand(gen, low ? -8300 : 8150, low ? -8150 : 8300);
        const Real y = random_operand(gen, low ? -16450 : 16300, low ? -16300 : 16383);
        ASSERT_TRUE(agrees(fused_multiply_subtract(y, c, x), reference(y, c, x), y, c, x));
    }
}

TEST(FusedAxpy, VectorUpdateIsTheElementwiseFusedForm) {
    std::mt19937_64 gen(11);
    const std::size_t n = 1000;
    std::vector<Real> y(n), x(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = random_operand(gen, -30, 30);
        y[i] = i % 10 == 0 ? Real(0) : random_operand(gen, -30, 30); // zeros of y as well
    }
    x[3] = 0;
    for (Real c : {Real(0), Real(1), -0.3Q, Real(1e-20Q), pow2(-16390)}) {
        std::vector<Real> updated = y;
        fused_axpy(updated.data(), c, x.data(), n);
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_TRUE(agrees(updated[i], reference(y[i], c, x[i]), y[i], c, x[i]));
    }
    // The chain y + a0 x0 + a1 x1 + ... is the loop of single fused steps, bit for bit.
    Real looped = 0.125Q;
    for (std::size_t i = 0; i < n; ++i) looped = fused_multiply_add(looped, y[i], x[i]);
    EXPECT_EQ(testing::bits_of(fused_multiply_add_chain(0.125Q, y.data(), x.data(), n)),
              testing::bits_of(looped));
}

} // namespace
} // namespace tarvex
