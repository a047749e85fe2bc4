// The integer-arithmetic exponential: a few hundred correctly rounded values from mpmath
// (tests/unit/exp_reference_values.hpp, written by scripts/make_exp_test_values.py) covering the
// reduction's joins, the ends of the normal range and random arguments; and the ranges handed to
// libquadmath (overflow, subnormal and zero results, tiny arguments, infinities, NaN), which
// must give expq's results bit for bit.
#include "numeric/fast_exp.hpp"
#include "reference_support.hpp"

#include "exp_reference_values.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace tarvex {
namespace {

using testing::bits_of;
using testing::u128;

std::string text(Real x) {
    char buffer[64];
    quadmath_snprintf(buffer, sizeof buffer, "%.36Qa", x);
    return buffer;
}

TEST(FastExp, CorrectlyRoundedReferenceValues) {
    int checked = 0;
    for (const auto& c : exp_reference::CASES) {
        EXPECT_EQ(bits_of(fast_exp(c.x)), bits_of(c.exp_x))
            << "x " << text(c.x) << ": " << text(fast_exp(c.x)) << " instead of " << text(c.exp_x);
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
    for (Real x : cases) EXPECT_EQ(bits_of(fast_exp(x)), bits_of(expq(x))) << "x " << text(x);
    EXPECT_EQ(fast_exp(12000), __builtin_infq());
    EXPECT_EQ(fast_exp(-11500), 0);
}

} // namespace
} // namespace tarvex
