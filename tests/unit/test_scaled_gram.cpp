// Cross products of data far from 1 (values near 2^+-8300, whose squares binary128 cannot hold):
// the exact accumulator rounds its sum scaled by any power of two as it rounds the unscaled sum,
// the cross-product matrix is held scaled with the same digits as for the data at scale 1, the
// solve gives the same coefficients, ratios and standard errors, and the range tests name the
// columns whose squares overflow or underflow. Also the squared-correlation ratio far out.
#include "kernels/exact_gram.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/value_range.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/scaled_ratio.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_equal;

// A small regression: x1, x2 (quarters and odd fractions, so that sums carry many bits) and y.
struct ScaledData {
    std::vector<Real> x1, x2, y;
};

ScaledData scaled_data(int exponent) {
    ScaledData d;
    for (int i = 0; i < 23; ++i) {
        const Real t = Real(i);
        d.x1.push_back(scalbnq(t / 3 + 1, exponent));
        d.x2.push_back(scalbnq((t * t) / 7 - t, exponent));
        d.y.push_back(scalbnq(2 * t / 3 - (t * t) / 11 + (i % 3) / Real(5), exponent));
    }
    return d;
}

GramColumns columns_of_scaled(const ScaledData& d) {
    GramColumns c;
    c.columns = {d.x1.data(), d.x2.data(), nullptr, d.y.data()};
    c.nobs = d.y.size();
    return c;
}

TEST(ScaledAccumulator, RoundsTheScaledSumAsTheUnscaledOne) {
    for (const int e : {9000, -9000}) {
        SCOPED_TRACE(e);
        const ScaledData one = scaled_data(0), far = scaled_data(e);
        auto near_sum = std::make_unique<ExactAccumulator>();
        auto far_sum = std::make_unique<ExactAccumulator>();
        near_sum->add_products(one.y.data(), one.x2.data(), one.y.size());
        far_sum->add_products(far.y.data(), far.x2.data(), far.y.size());
        // The sum itself lies outside the range: infinite, or lost below the subnormals.
        if (e > 0)
            EXPECT_TRUE(isinfq(far_sum->result()));
        else
            EXPECT_EQ(far_sum->result(), 0);
        EXPECT_TRUE(bits_equal(far_sum->result_scaled(-2 * e), near_sum->result()));
        EXPECT_EQ(far_sum->exponent(), near_sum->exponent() + 2 * e);
        EXPECT_EQ(near_sum->exponent(), ilogbq(near_sum->result()));
        // Taking the rounded sum away, scaled back exactly, leaves the rounding's rest.
        const Real hi = far_sum->result_scaled(-2 * e);
        far_sum->add_scaled(-hi, 2 * e);
        near_sum->add(-near_sum->result());
        EXPECT_TRUE(bits_equal(far_sum->result_scaled(-2 * e), near_sum->result()));
    }
    ExactAccumulator zero;
    EXPECT_EQ(zero.exponent(), INT_MIN);
    EXPECT_EQ(zero.result_scaled(100), 0);
    // Scaled under the subnormals: far under, the sum is 0 (every bit sticky below the round
    // bit); 3/4 of the smallest subnormal rounds up to it, exactly 1/2 of it ties to 0.
    const Real smallest = scalbnq(Real(1), -16494);
    auto sum = std::make_unique<ExactAccumulator>();
    sum->add(Real(1.5));
    EXPECT_EQ(sum->result_scaled(-20000), 0);
    EXPECT_EQ(sum->result_scaled(-17000), 0);
    EXPECT_TRUE(bits_equal(sum->result_scaled(-16495), smallest));
    sum->clear();
    sum->add(Real(1));
    EXPECT_EQ(sum->result_scaled(-16495), 0);
}

TEST(ScaledGram, HeldWithTheDigitsOfScaleOne) {
    const ScaledData one = scaled_data(0);
    const GramMatrix near = exact_gram(columns_of_scaled(one));
    for (const int e : {8300, -8300, 8000}) {
        SCOPED_TRACE(e);
        const GramMatrix far = exact_gram(columns_of_scaled(scaled_data(e)));
        ASSERT_TRUE(far.finite);
        for (int b = 0; b < 4; ++b) {
            // The constant (column 2) keeps its shift; the scaled columns move by -e.
            EXPECT_EQ(far.shift_of(b), near.shift_of(b) - (b == 2 ? 0 : e));
            for (int a = 0; a <= b; ++a) {
                EXPECT_TRUE(bits_equal(far.scaled_at(a, b).hi, near.scaled_at(a, b).hi));
                EXPECT_TRUE(bits_equal(far.scaled_at(a, b).lo, near.scaled_at(a, b).lo));
            }
        }
        // A scaled diagonal lies in [1/2, 4).
        for (int c = 0; c < 4; ++c) {
            EXPECT_GE(far.scaled_at(c, c).hi, Real(0.5Q));
            EXPECT_LT(far.scaled_at(c, c).hi, Real(4));
        }
        const SquaresRange expected = e == 8000 ? SquaresRange::inside
                                      : e > 0   ? SquaresRange::too_large
                                                : SquaresRange::too_small;
        EXPECT_EQ(far.diagonal_range(0), expected);
        EXPECT_EQ(far.diagonal_range(2), SquaresRange::inside); // the constant: the count
    }
    // A part keeps the entries and shifts of its columns.
    const GramMatrix part = near.part({3, 0});
    EXPECT_TRUE(bits_equal(part.at(0, 1).hi, near.at(3, 0).hi));
    EXPECT_EQ(part.shift_of(0), near.shift_of(3));
}

TEST(ScaledGram, SolveGivesTheSameRatiosAndNamesTheColumnOutOfRange) {
    const GramFit near = gram_least_squares(columns_of_scaled(scaled_data(0)), 1e-30Q);
    ASSERT_TRUE(near.ok());
    EXPECT_EQ(near.out_of_range_column, -1);
    for (const int e : {8300, -8300, 8000, -8000}) {
        SCOPED_TRACE(e);
        const GramFit far = gram_least_squares(columns_of_scaled(scaled_data(e)), 1e-30Q);
        ASSERT_TRUE(far.ok());
        // Slopes are ratios of y to x: the same bits; the intercept follows y.
        EXPECT_TRUE(bits_equal(far.coef[0], near.coef[0]));
        EXPECT_TRUE(bits_equal(far.coef[1], near.coef[1]));
        EXPECT_TRUE(bits_equal(far.coef[2], scalbnq(near.coef[2], e)));
        const Real df = 20;
        EXPECT_TRUE(bits_equal(far.standard_error(0, df), near.standard_error(0, df)));
        EXPECT_TRUE(bits_equal(far.standard_error(2, df), scalbnq(near.standard_error(2, df), e)));
        EXPECT_TRUE(bits_equal(far.scaled_sse, near.scaled_sse));
        if (e == 8000 || e == -8000) {
            EXPECT_EQ(far.out_of_range_column, -1);
            EXPECT_TRUE(bits_equal(far.sse, scalbnq(near.sse, 2 * e)));
        } else {
            EXPECT_EQ(far.out_of_range_column, 0);
            EXPECT_EQ(far.too_large, e > 0);
        }
    }
    // The standard error from the scaled factor is sqrt(sse / df (X'X)^-1_jj) to the bit.
    const Real direct = sqrtq(near.sse / 20 * near.inverse_at(1, 1));
    EXPECT_TRUE(bits_equal(near.standard_error(1, 20), direct));
}

TEST(SquaresRange, TellsWhichWayTheSquaresLeaveTheRange) {
    const std::vector<Real> large(5, 1E2470Q), small(5, 1E-2470Q), zeros(5, Real(0));
    const std::vector<Real> far_in{scalbnq(Real(1), 8000), -scalbnq(Real(3), -8000)};
    EXPECT_EQ(squares_range(large.data(), large.size()), SquaresRange::too_large);
    EXPECT_EQ(squares_range(small.data(), small.size()), SquaresRange::too_small);
    EXPECT_EQ(squares_range(zeros.data(), zeros.size()), SquaresRange::inside);
    EXPECT_EQ(squares_range(far_in.data(), far_in.size()), SquaresRange::inside);
    // Each square fits, their sum does not: 2^16382 x 4.
    const std::vector<Real> long_column(4, scalbnq(Real(1), 8191));
    EXPECT_EQ(squares_range(long_column.data(), 3), SquaresRange::inside);
    EXPECT_EQ(squares_range(long_column.data(), 4), SquaresRange::too_large);
}

TEST(SquaredRatio, SameBitsInRangeAndRightBeyondIt) {
    const Real a = 7.25Q / 3, b = 11.5Q / 7, c = 13;
    EXPECT_TRUE(bits_equal(squared_ratio(a, b, c), a * a / (b * c)));
    const Real big = scalbnq(Real(1), 16000), tiny = scalbnq(Real(1), -16000);
    EXPECT_TRUE(bits_equal(squared_ratio(a * big, b * big, c * big), a * a / (b * c)));
    EXPECT_TRUE(bits_equal(squared_ratio(a * tiny, b * tiny, c * tiny), a * a / (b * c)));
    EXPECT_EQ(squared_ratio(0, b, c), 0);
}

} // namespace
} // namespace tarvex
