// The integer-arithmetic exponential: a few hundred correctly rounded values from mpmath
// (tests/unit/exp_reference_values.hpp, written by scripts/make_exp_test_values.py) covering the
// reduction's joins, the ends of the normal range and random arguments; the ranges handed to
// libquadmath (overflow, subnormal and zero results, tiny arguments, infinities, NaN), which
// must give expq's results bit for bit; and the 128-bit path against the 192-bit routine, bit for
// bit, on ten million arguments, on the neighbours of those it could not decide and on the edges.
#include "numeric/fast_exp.hpp"
#include "reference_support.hpp"
#include "short_path_agreement.hpp"

#include "exp_reference_values.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_of;
using testing::from_bits;
using testing::hex_text;
using testing::u128;

TEST(FastExp, CorrectlyRoundedReferenceValues) {
    int checked = 0;
    for (const auto& c : exp_reference::CASES) {
        EXPECT_EQ(bits_of(fast_exp(c.x)), bits_of(c.exp_x))
            << "x " << hex_text(c.x) << ": " << hex_text(fast_exp(c.x)) << " instead of "
            << hex_text(c.exp_x);
        ++checked;
    }
    EXPECT_GE(checked, 300);
    EXPECT_EQ(fast_exp(0), 1);
    EXPECT_EQ(fast_exp(-0.0Q), 1);
}

TEST(FastExp, EdgeRangesGiveTheLibraryResults) {
    const Real cases[] = {11356.5Q,
                          11356.53Q, // just past the largest finite result: infinity
                          12000,
                          -11355.2Q, // subnormal results
                          -11400,
                          -11433, // the smallest subnormal
                          -11500, // zero
                          scalbnq(1, -65), -scalbnq(1, -65), scalbnq(1, -120),  FLT128_DENORM_MIN,
                          -FLT128_MIN,     __builtin_infq(), -__builtin_infq(), nanq("")};
    for (Real x : cases) {
        EXPECT_EQ(bits_of(fast_exp(x)), bits_of(expq(x))) << "x " << hex_text(x);
        EXPECT_EQ(bits_of(fast_exp_wide(x)), bits_of(expq(x))) << "x " << hex_text(x);
    }
    EXPECT_EQ(fast_exp(12000), __builtin_infq());
    EXPECT_EQ(fast_exp(-11500), 0);
}

using ExpAgreement = testing::ShortPathAgreement<fast_exp_short, fast_exp, fast_exp_wide>;

// A value 2**e * (1 + random 112-bit fraction), of the given sign.
Real random_in_binade(std::mt19937_64& gen, int e, bool negative) {
    const u128 fraction = ((u128(gen()) << 64) | gen()) & ((u128(1) << 112) - 1);
    return from_bits((u128(negative) << 127) | (u128(e + 16383) << 112) | fraction);
}

TEST(FastExp, ShortPathGivesTheWideRoutinesBits) {
    std::mt19937_64 gen(20261209);
    ExpAgreement links, wide_range;
    // The choice links: exp(-|z|) and exp(-z*z/2) for |z| up to 40, every binade of z from 2**-64
    // (from 2**-30 for the square, whose smaller values are below the short path's range).
    for (int n = 0; n < 3'000'000; ++n) {
        Real z = random_in_binade(gen, -64 + int(gen() % 70), false);
        links.check(-(z > 40 ? fmodq(z, 40) : z));
        z = random_in_binade(gen, -30 + int(gen() % 36), false);
        if (z > 40) z = fmodq(z, 40);
        links.check(-z * z / 2);
    }
    // Every binade the short path takes, either sign, up to the edge of the normal range.
    for (int n = 0; n < 4'000'000; ++n) {
        const Real x = random_in_binade(gen, -64 + int(gen() % 78), gen() & 1);
        wide_range.check(fabsq(x) <= 11355 ? x : fmodq(x, 11355));
    }
    EXPECT_EQ(links.differ + wide_range.differ, 0);
    EXPECT_EQ(links.checked + wide_range.checked, 10'000'000);
    // The short path's error bound leaves about one argument in 1500 to the wide routine.
    EXPECT_LT(links.undecided, links.checked / 500);
    EXPECT_LT(wide_range.undecided, wide_range.checked / 500);
    EXPECT_GT(links.undecided, 0);

    // The undecided arguments lie next to rounding boundaries: their neighbours, a few units in
    // the last place away, come close to the same boundary from either side.
    ExpAgreement near;
    near.check_neighbours(links.hard);
    EXPECT_EQ(near.differ, 0);
    EXPECT_GT(near.checked, 13 * 1000);

    // Zeros, subnormals, infinities, NaN, the ends of the range the short path takes.
    const Real edges[] = {0,
                          -0.0Q,
                          FLT128_DENORM_MIN,
                          -FLT128_DENORM_MIN,
                          FLT128_MIN,
                          -FLT128_MIN,
                          __builtin_infq(),
                          -__builtin_infq(),
                          nanq(""),
                          11355,
                          -11355,
                          nextafterq(11355, 0),
                          nextafterq(-11355, 0),
                          nextafterq(11355, 12000),
                          nextafterq(-11355, -12000),
                          scalbnq(1, -64),
                          -scalbnq(1, -64),
                          nextafterq(scalbnq(1, -64), 0),
                          40,
                          -40,
                          -800,
                          1,
                          -1};
    ExpAgreement edge;
    for (Real x : edges) edge.check(x);
    EXPECT_EQ(edge.differ, 0);
    Real out;
    EXPECT_FALSE(fast_exp_short(nextafterq(11355, 12000), out)); // 11355 + 1 unit: the wide one
    EXPECT_FALSE(fast_exp_short(nextafterq(scalbnq(1, -64), 0), out));
    EXPECT_TRUE(fast_exp_short(-800, out));
    EXPECT_EQ(bits_of(out), bits_of(fast_exp_wide(-800)));
}

} // namespace
} // namespace tarvex
