// Tail probabilities and quantiles of the normal, t, chi-square and F distributions, checked to
// 30 digits against closed forms (t with 1, 2 and 3 degrees of freedom, chi-square with 1, 2 and
// 4, F with 2 numerator degrees of freedom), F with whole degrees of freedom against mpmath to 31
// digits, against erfc for the normal, and against published tables; far tails down to 1e-4900;
// the report's F p-value convention; and bad arguments.
#include "numeric/distributions.hpp"

#include "numeric/decimal.hpp"
#include "regress/ols/normal_class_table.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

namespace tarvex {
namespace {

using namespace dist;

// Passes when `actual` agrees with `expected` to a relative error of at most `tolerance`.
::testing::AssertionResult near(Real actual, Real expected, Real tolerance) {
    const Real error = expected == 0 ? fabsq(actual) : fabsq((actual - expected) / expected);
    if (error <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << real_to_string(actual) << ", expected " << real_to_string(expected)
           << " (relative error " << real_to_string(error, 3) << ")";
}

Real literal(const char* text) {
    Real value = 0;
    EXPECT_TRUE(parse_real_field(text, value)) << text;
    return value;
}

const Real DIGITS30 = 1e-30Q;

// Upper normal tail from the complementary error function: Q(x) = erfc(x/sqrt(2))/2.
Real normal_tail_reference(Real x) {
    return erfcq(x / sqrtq(2)) / 2;
}

TEST(NormalDistribution, TailsAgreeWithErfcAndPublishedValues) {
    for (Real x :
         {-8.5Q, -3.0Q, -1.0Q, -0.25Q, 0.0Q, 0.5Q, 1.0Q, 1.96Q, 3.0Q, 6.0Q, 12.5Q, 25.0Q}) {
        EXPECT_TRUE(near(normal_upper(x), normal_tail_reference(x), DIGITS30));
        EXPECT_TRUE(near(normal_lower(x), normal_tail_reference(-x), DIGITS30));
        // The two tails are each other's mirror image, bit for bit.
        EXPECT_EQ(normal_upper(x), normal_lower(-x));
    }
    // Phi(-1) to 40 digits; the one-sided 5% and 2.5% points of the standard tables.
    EXPECT_TRUE(
        near(normal_lower(-1), literal("0.1586552539314570514147674543679620775221"), DIGITS30));
    EXPECT_EQ(normal_upper(0), 0.5Q);
    EXPECT_TRUE(near(normal_quantile(0.975Q), literal("1.95996398454005"), 1e-14Q));
    EXPECT_TRUE(near(normal_upper_quantile(0.05Q), literal("1.64485362695147"), 1e-14Q));
}

TEST(NormalDistribution, QuantilesInvertTheTailsAcrossTheRange) {
    // Each tail is inverted where it is small (where it is near 1, its complement carries no
    // information about x).
    for (Real x : {-1.5Q, -0.01Q, 0.3Q, 2.0Q, 7.0Q, 37.0Q, 140.0Q}) {
        EXPECT_TRUE(near(normal_upper_quantile(normal_upper(x)), x, 1e-29Q));
        EXPECT_TRUE(near(normal_quantile(normal_lower(-x)), -x, 1e-29Q));
    }
    EXPECT_TRUE(isinfq(normal_quantile(0)) && normal_quantile(0) < 0);
    EXPECT_TRUE(isinfq(normal_quantile(1)) && normal_quantile(1) > 0);
}

// The tabulated bounds of the goodness-of-fit classes are the quantiles the distribution
// function computes, bit for bit, for every number of classes.
TEST(NormalDistribution, ClassBoundsTableMatchesTheQuantiles) {
    namespace table = normal_class_table;
    for (int classes = table::FIRST; classes <= table::LAST; ++classes)
        for (int g = 1; g < classes; ++g) {
            const Real tabulated = table::BOUNDS[table::offset(classes) + g - 1];
            const Real computed = normal_quantile(Real(g) / classes);
            EXPECT_EQ(std::memcmp(&tabulated, &computed, sizeof(Real)), 0) << g << "/" << classes;
        }
    EXPECT_EQ(table::offset(table::LAST + 1), int(std::size(table::BOUNDS)));
    // R: qnorm(1/3), qnorm(0.05), qnorm(0.9)
    EXPECT_TRUE(near(table::BOUNDS[0], literal("-0.430727299295457"), 1e-14Q));
    EXPECT_TRUE(near(table::BOUNDS[table::offset(20)], literal("-1.64485362695147"), 1e-14Q));
    EXPECT_TRUE(near(table::BOUNDS[table::offset(10) + 8], literal("1.2815515655446"), 1e-13Q));
}

TEST(StudentT, OneDegreeOfFreedomIsCauchy) {
    // P(T > t) = atan(1/t)/pi for t > 0, and 1/2 + atan(|t|)/pi for t < 0.
    for (Real t : {0.001Q, 0.5Q, 1.0Q, 3.0Q, 10.0Q, 1e6Q, 1e30Q}) {
        EXPECT_TRUE(near(student_t_upper(t, 1), atanq(1 / t) / M_PIq, DIGITS30));
        EXPECT_TRUE(near(student_t_lower(-t, 1), atanq(1 / t) / M_PIq, DIGITS30));
        EXPECT_TRUE(near(student_t_upper(-t, 1), 0.5Q + atanq(t) / M_PIq, DIGITS30));
    }
    // Quantile: the upper q point is cot(pi q).
    for (Real q : {0.4Q, 0.1Q, 0.025Q, 1e-10Q})
        EXPECT_TRUE(near(student_t_upper_quantile(q, 1), 1 / tanq(M_PIq * q), 1e-29Q));
}

TEST(StudentT, TwoAndThreeDegreesOfFreedomClosedForms) {
    for (Real t : {0.1Q, 1.0Q, 2.5Q, 9.0Q, 100.0Q, 1e12Q}) {
        // df 2: P(T > t) = (1 - t/sqrt(2+t^2))/2, written without cancellation.
        const Real root = sqrtq(2 + t * t);
        EXPECT_TRUE(near(student_t_upper(t, 2), 1 / (root * (root + t)), DIGITS30));
        // df 3: P(T > t) = 1/2 - (atan(t/sqrt3) + sqrt3 t/(3+t^2))/pi.
        if (t <= 100) {
            const Real s3 = sqrtq(3);
            const Real upper3 = 0.5Q - (atanq(t / s3) + s3 * t / (3 + t * t)) / M_PIq;
            EXPECT_TRUE(near(student_t_upper(t, 3), upper3, 1e-28Q));
        }
    }
    // The two-sided 5% point with 10 df from the tables.
    EXPECT_TRUE(near(student_t_upper_quantile(0.025Q, 10), literal("2.22813885198627"), 1e-14Q));
    // Closed-form df 2 quantile: t = (2p-1) sqrt(2 / (4p(1-p))); at p = 0.975 it is 4.3026527297.
    for (Real p : {0.6Q, 0.9Q, 0.975Q, 0.999Q})
        EXPECT_TRUE(
            near(student_t_quantile(p, 2), (2 * p - 1) * sqrtq(2 / (4 * p * (1 - p))), 1e-29Q));
    EXPECT_TRUE(near(student_t_quantile(0.975Q, 2), literal("4.30265272974946385232"), 1e-20Q));
}

TEST(ChiSquare, ClosedFormsForOneTwoAndFourDegreesOfFreedom) {
    for (Real x : {0.001Q, 0.5Q, 1.0Q, 3.84Q, 20.0Q, 150.0Q, 1000.0Q}) {
        EXPECT_TRUE(near(chi_square_upper(x, 2), expq(-x / 2), DIGITS30));
        EXPECT_TRUE(near(chi_square_lower(x, 2), -expm1q(-x / 2), DIGITS30));
        EXPECT_TRUE(near(chi_square_upper(x, 4), expq(-x / 2) * (1 + x / 2), DIGITS30));
        EXPECT_TRUE(near(chi_square_upper(x, 1), erfcq(sqrtq(x / 2)), 1e-29Q));
    }
    EXPECT_EQ(chi_square_upper(0, 3), 1);
    EXPECT_EQ(chi_square_lower(-2, 3), 0);
    // Quantiles: -2 log q for 2 df; the 5% point of 1 df from the tables.
    for (Real q : {0.5Q, 0.05Q, 1e-6Q, 1e-300Q})
        EXPECT_TRUE(near(chi_square_upper_quantile(q, 2), -2 * logq(q), 1e-29Q));
    EXPECT_TRUE(near(chi_square_quantile(0.95Q, 1), literal("3.84145882069412"), 1e-14Q));
}

TEST(FDistribution, TwoNumeratorDegreesOfFreedomAndTheTSquareIdentity) {
    // F(2, n): P(F > x) = (1 + 2x/n)^(-n/2).
    for (Real n : {1.0Q, 2.0Q, 7.0Q, 30.0Q, 1000.0Q})
        for (Real x : {0.01Q, 0.5Q, 1.0Q, 4.0Q, 50.0Q}) {
            const Real expected = expq(-(n / 2) * log1pq(2 * x / n));
            EXPECT_TRUE(near(f_upper(x, 2, n), expected, 1e-29Q)) << "n " << (int)n;
            EXPECT_TRUE(near(f_lower(x, 2, n), -expm1q(-(n / 2) * log1pq(2 * x / n)), 1e-29Q));
        }
    // F(1, 2) is the square of t with 2 df: P(F > t^2) = 2 P(T > t).
    for (Real t : {0.3Q, 1.0Q, 5.0Q, 1e4Q}) {
        const Real root = sqrtq(2 + t * t);
        EXPECT_TRUE(near(f_upper(t * t, 1, 2), 2 / (root * (root + t)), DIGITS30));
    }
    // F(2, 2) quantile: x = p/(1-p).
    EXPECT_TRUE(near(f_quantile(0.75Q, 2, 2), 3, 1e-30Q));
    // 5% point of F(1, 10) is the square of the two-sided t point.
    const Real t10 = literal("2.228138851986274");
    EXPECT_TRUE(near(f_upper_quantile(0.05Q, 1, 10), t10 * t10, 1e-14Q));
}

// P(F(df1, df2) > x) = I_z(df2/2, df1/2), z = df2/(df2 + df1 x), from mpmath at 400 bits:
// mpmath.betainc(df2/2, df1/2, 0, df2/(df2 + df1*x), regularized=True). The t-ratio and ANOVA
// cases of a small regression (the Longley fit has 9 error degrees of freedom), a t-ratio next
// to the switch between the two forms of the fraction (1, 62), far tails, and the largest
// degrees of freedom the direct evaluation takes.
struct FTailCase {
    Real x;
    int df1, df2;
    const char* tail;
};
const FTailCase F_TAIL_CASES[] = {
    {0.03125Q, 1, 9, "8.63597938532424293663946365034479159e-1"},
    {1.25Q, 1, 9, "2.92506322573785380278300051537541507e-1"},
    {17.5Q, 1, 9, "2.36448713288435273503358439210128672e-3"},
    {16.125Q, 1, 9, "3.03815421313861911552055151064537727e-3"},
    {330.25Q, 6, 9, "4.98641615842788190044833715524985165e-10"},
    {105210.5Q, 7, 9, "2.25864020914912777296742524708874589e-21"},
    {2.5Q, 1, 62, "1.18934834281747677168159340035158138e-1"},
    {133.5Q, 6, 112, "1.19281384984897102822200164369938731e-48"},
    {0.5Q, 3, 4, "7.02197729067525185928105040340265873e-1"},
    {4.0Q, 5, 10, "2.96752952220786691769074873818097414e-2"},
    {10.0Q, 18, 87, "2.11499469682669231153275647543809867e-14"},
    {0.001Q, 7, 11, "9.9999999957139780704753507700214803e-1"},
    {10000.0Q, 1, 1, "6.36598552981651029823802754496646582e-3"},
    {3.0Q, 1, 119, "8.58556700401896995911384139105216641e-2"},
    {0.75Q, 2, 3, "5.44331053951817355154952016601309198e-1"},
    {40.0Q, 30, 90, "4.55478086370548298570277237821500004e-40"},
};

TEST(FDistribution, WholeDegreesOfFreedomToThirtyOneDigits) {
    for (const FTailCase& c : F_TAIL_CASES) {
        const Real expected = literal(c.tail);
        EXPECT_TRUE(near(f_upper(c.x, c.df1, c.df2), expected, 1e-31Q))
            << "F(" << c.df1 << ", " << c.df2 << ") at " << real_to_string(c.x);
        EXPECT_TRUE(near(f_test_pvalue(c.x, c.df1, c.df2), expected, 1e-31Q));
    }
    // The t-ratio p-value as F(1, df) at t^2 against the Student t tail, computed by the other
    // evaluation (the t distribution's own): P(F(1, n) > t^2) = 2 P(T(n) > t).
    for (int n : {1, 4, 9, 30, 119})
        for (Real t : {0.125Q, 1.25Q, 3.5Q, 40.0Q})
            EXPECT_TRUE(near(f_upper(t * t, 1, n), 2 * student_t_upper(t, n), 1e-31Q))
                << "n " << n << " t " << real_to_string(t);
    // F(4, 6) from the closed form of even numerator degrees of freedom: with z = 6/(6 + 4x),
    // P = z^3 (1 + 3 (1 - z)) (two terms of z^a sum (a)_k/k! (1 - z)^k).
    for (Real x : {0.25Q, 2.0Q, 64.0Q}) {
        const Real z = 6 / (6 + 4 * x);
        EXPECT_TRUE(near(f_upper(x, 4, 6), z * z * z * (1 + 3 * (1 - z)), 1e-31Q));
    }
}

TEST(Distributions, FarTailsDoNotUnderflowAbove1e4900) {
    // Normal at 150: about 1e-4888.
    const Real normal_far = normal_upper(150);
    EXPECT_GT(normal_far, 0);
    EXPECT_TRUE(near(normal_far, normal_tail_reference(150), 1e-27Q));
    EXPECT_TRUE(near(normal_lower(-150), normal_far, 0));
    // Chi-square, 2 df, at 22500: exp(-11250), about 1.6e-4886.
    EXPECT_TRUE(near(chi_square_upper(22500, 2), expq(-11250), 1e-29Q));
    // t with 2 df at 1e2440: 1/(2 t^2) = 5e-4881, and Cauchy at 1e4890.
    EXPECT_TRUE(near(student_t_upper(1e2440Q, 2), 0.5Q * 1e-4880Q, 1e-29Q));
    EXPECT_TRUE(near(student_t_upper(1e4890Q, 1), 1e-4890Q / M_PIq, 1e-29Q));
    EXPECT_TRUE(near(student_t_lower(-1e4890Q, 1), 1e-4890Q / M_PIq, 1e-29Q));
    EXPECT_TRUE(near(student_t_upper(1e1200Q, 2), 0.5Q * 1e-2400Q, 1e-29Q));
    EXPECT_EQ(student_t_upper(-1e3000Q, 5), 1);
    // t with 4 df: P(T > t) = 1/2 - (3/4)(u - u^3/3), u = t/sqrt(4+t^2) = 1 - 2/t^2 + ...,
    // so the tail is (3/4)(2/t^2)^2 = 3/t^4 to a relative 1e-2200.
    EXPECT_TRUE(near(student_t_upper(1e1100Q, 4), 3e-4400Q, 1e-29Q));
    // F(2, 2000) where (1 + x/1000)^-1000 is about 1e-4901.
    const Real x = 8e7Q;
    const Real far = f_upper(x, 2, 2000);
    EXPECT_LT(far, 1e-4900Q);
    EXPECT_TRUE(near(far, expq(-1000 * log1pq(x / 1000)), 1e-28Q));
}

TEST(Distributions, BadArgumentsGiveNaNAndTheReportConvention) {
    EXPECT_TRUE(isnanq(student_t_upper(1, 0)));
    EXPECT_TRUE(isnanq(student_t_upper(1, -3)));
    EXPECT_TRUE(isnanq(chi_square_upper(1, nanq(""))));
    EXPECT_TRUE(isnanq(f_upper(1, 2, -1)));
    EXPECT_TRUE(isnanq(normal_upper(nanq(""))));
    EXPECT_TRUE(isnanq(normal_quantile(1.5Q)));
    EXPECT_TRUE(isnanq(chi_square_quantile(-0.1Q, 3)));
    // Infinite statistics have certain answers.
    EXPECT_EQ(normal_upper(__builtin_infq()), 0);
    EXPECT_EQ(student_t_lower(__builtin_infq(), 4), 1);
    EXPECT_EQ(f_upper(__builtin_infq(), 3, 4), 0);
    // The report's p-value of an F statistic: 0 for exactly 0, the tail otherwise; a t-ratio of
    // 2 on 2 df has p = 1 - 2/sqrt(6).
    EXPECT_EQ(f_test_pvalue(0, 3, 10), 0);
    EXPECT_EQ(f_upper(0, 3, 10), 1);
    EXPECT_TRUE(near(f_test_pvalue(4, 1, 2), 1 - 2 / sqrtq(6), DIGITS30));
}

} // namespace
} // namespace tarvex
