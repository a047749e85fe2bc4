// TEST and TESTH on a regression worked by hand: y = 1 2 4 on x = 1 2 3 gives b = 1.5,
// a = -2/3, SSE = 1/6, DF = 1, and V = sigma**2 (X'X)**-1 = [1/12 -1/6; -1/6 7/18] (x first,
// the intercept last). Every expected value below follows from these fractions. The report
// lines of the same fit are pinned by the test/report, test/messages and test/syntax_and_dump
// goldens; here are the stored values.
#include "core/command_table.hpp"
#include "hypothesis_engine.hpp"

#include "regress/test/test_command.hpp"
#include "regress/test/test_statistics.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::has_line;
using testing::HypothesisEngine;
using testing::relative;
using Lines = std::vector<std::string>;

const Real TIGHT = 1e-30Q;

struct SmallFit : HypothesisEngine {
    SmallFit(const std::string& options = "") {
        data("Y", {1, 2, 4});
        data("X", {1, 2, 3});
        data("Z", {5, 1, 7});
        sample(1, 3);
        command("OLS Y X / NOANOVA NOGF" + options);
    }
};

TEST(TestCommand, SingleHypothesisOnOneCoefficientMatchesTheTRatio) {
    SmallFit e;
    e.command("TEST X = 0");
    const ResultScalars& r = e.run.res;
    EXPECT_LT(relative(r[R_VAL], 1.5Q), TIGHT);
    EXPECT_LT(relative(r[R_STES] * r[R_STES], 1.0Q / 12), TIGHT);
    EXPECT_LT(relative(r[R_T] * r[R_T], 27), TIGHT); // t = 1.5 / sqrt(1/12)
    EXPECT_LT(relative(r[R_F], 27), TIGHT);
    EXPECT_LT(relative(r[R_CHI], 27), TIGHT);
    EXPECT_EQ(r[R_DF1], 1);
    EXPECT_EQ(r[R_DF2], 1);
    // P(F(1,1) > 27) = 1 - (2/pi) atan(sqrt 27), the p-value of the report's t-ratio.
    EXPECT_LT(relative(r[R_PVAL], 1 - 2 / M_PIq * atanq(sqrtq(27))), 1e-20Q);
}

// The statistics alone, from hypotheses and V = sigma**2 (X'X)**-1 of the fit above: nothing
// is written or stored until the report does it.
TEST(TestCommand, StatisticsAreComputedBeforeTheyAreReported) {
    const std::vector<Real> v = {1.0Q / 12, -1.0Q / 6, -1.0Q / 6, 7.0Q / 18};
    Hypothesis slope;
    slope.value = 1.5Q;
    slope.gradient = {1, 0};
    const TestOutcome one = test_statistics({slope}, v, 2, 1, false);
    ASSERT_TRUE(one.done);
    EXPECT_LT(relative(one.stderr_ * one.stderr_, 1.0Q / 12), TIGHT);
    EXPECT_LT(relative(one.f, 27), TIGHT);
    EXPECT_LT(relative(one.pvalue, 1 - 2 / M_PIq * atanq(sqrtq(27))), 1e-20Q);
    // The same row twice: A = G V G' is singular, and the warning replaces the test.
    const TestOutcome twice = test_statistics({slope, slope}, v, 2, 1, false);
    EXPECT_FALSE(twice.done);
    EXPECT_EQ(twice.warning, " ...WARNING..RESTRICTIONS COULD NOT BE DONE");
    EXPECT_EQ(twice.error_number, 15016); // its line and $ERR after TEST: the test/messages golden
}

TEST(TestCommand, HypothesesWithBothSidesAndNonLinearFunctions) {
    SmallFit e;
    const ResultScalars& r = e.run.res;
    // b + a = 1: value -1/6, variance 1/12 - 2/6 + 7/18 = 5/36.
    e.command("TEST X + CONSTANT = 1");
    EXPECT_LT(relative(r[R_VAL], -1.0Q / 6), TIGHT);
    EXPECT_LT(relative(r[R_STES] * r[R_STES], 5.0Q / 36), TIGHT);
    // 2b - 3a: exact coefficient row (2, -3), variance 4/12 + 12/6 + 9 (7/18) = 35/6.
    e.command("TEST 2*X - 3*CONSTANT");
    EXPECT_LT(relative(r[R_STES] * r[R_STES], 35.0Q / 6), TIGHT);
    // b a: value -1, gradient (a, b) = (-2/3, 3/2), variance 1/27 + 1/3 + 7/8 = 269/216.
    e.command("TEST X*CONSTANT");
    EXPECT_LT(relative(r[R_VAL], -1), TIGHT);
    EXPECT_LT(relative(r[R_STES] * r[R_STES], 269.0Q / 216), TIGHT);
    // Functions of b alone: se = |f'(1.5)| sqrt(1/12).
    const Real sd = sqrtq(1.0Q / 12);
    const Real euler = 0.5772156649015328606065120900824024310422Q;
    struct Case {
        const char* text;
        Real value, slope;
    };
    const Case cases[] = {
        {"TEST EXP(X)", expq(1.5Q), expq(1.5Q)},
        {"TEST LOG(X)", logq(1.5Q), 1 / 1.5Q},
        {"TEST SQRT(X)", sqrtq(1.5Q), 1 / (2 * sqrtq(1.5Q))},
        {"TEST X**3", 3.375Q, 6.75Q},
        {"TEST 1/X", 1 / 1.5Q, -1 / 2.25Q},
        {"TEST SIN(X)", sinq(1.5Q), cosq(1.5Q)},
        {"TEST NCDF(X)", 0.5Q * erfcq(-1.5Q / sqrtq(2)), expq(-1.125Q) / sqrtq(2 * M_PIq)},
        // psi(3/2) = 2 - gamma - 2 ln 2.
        {"TEST LGAM(X)", lgammaq(1.5Q), 2 - euler - 2 * logq(2)},
        {"TEST SIN(X, 4)", sinq(0.75Q * M_PIq), cosq(0.75Q * M_PIq) * M_PIq / 2},
        {"TEST MAX(X, 1, -3)", 1.5Q, 1},
        {"TEST MOD(X, 1)", 0.5Q, 1},
        {"TEST X .E. 2", 150, 100},
        {"TEST (-X)**2", 2.25Q, 3},
        {"TEST ABS(-X) + INT(X)", 2.5Q, 1},
    };
    for (const Case& c : cases) {
        e.command(c.text);
        EXPECT_LT(relative(r[R_VAL], c.value), TIGHT) << c.text;
        EXPECT_LT(relative(r[R_STES], fabsq(c.slope) * sd), 1e-29Q) << c.text;
    }
    // A varying exponent: f = b**a, gradient (a b**(a-1), b**a ln b).
    e.command("TEST X**CONSTANT");
    const Real b = 1.5Q, a = -2.0Q / 3;
    const Real g1 = a * powq(b, a - 1), g2 = powq(b, a) * logq(b);
    const Real var = g1 * g1 / 12 - 2 * g1 * g2 / 6 + g2 * g2 * 7 / 18;
    EXPECT_LT(relative(r[R_VAL], powq(b, a)), TIGHT);
    EXPECT_LT(relative(r[R_STES] * r[R_STES], var), 1e-29Q);
}

TEST(TestCommand, JointBlockGivesWaldAndF) {
    SmallFit e;
    // g = (0, -2/3); V**-1 = 6 X'X, so W = (4/9) * 18 = 8 and F = 4.
    e.command("TEST", "TEST X = 1.5\nTEST CONSTANT = 0\nEND\n");
    const ResultScalars& r = e.run.res;
    EXPECT_LT(relative(r[R_CHI], 8), TIGHT);
    EXPECT_LT(relative(r[R_F], 4), TIGHT);
    EXPECT_EQ(r[R_DF1], 2);
    EXPECT_EQ(r[R_DF2], 1);
    EXPECT_LT(fabsq(r[R_VAL1]), TIGHT);
    EXPECT_LT(relative(r[R_VAL2], -2.0Q / 3), TIGHT);
    EXPECT_LT(relative(r[R_CT11], 1.0Q / 12), TIGHT);
    EXPECT_LT(relative(r[R_CT12], -1.0Q / 6), TIGHT);
    EXPECT_LT(relative(r[R_CT22], 7.0Q / 18), TIGHT);
    // P(F(2,1) > 4) = (1 + 2*4)**-1/2 = 1/3; P(chi-square(2) > 8) = exp(-4).
    EXPECT_LT(relative(r[R_PVAL], 1.0Q / 3), 1e-20Q);
    // The block's lines were read: the next statement is a fresh one.
    EXPECT_EQ(e.run.cmd.IKOD, C_TEST);
}

// The normal line in place of the t and F lines is pinned by the test/report golden.
TEST(TestCommand, AsymptoticFitUsesTheNormalLine) {
    SmallFit e(" DN");
    // DN: sigma**2 = SSE/N = 1/18, var(b) = 1/36, t = 9.
    e.command("TEST X");
    EXPECT_LT(relative(e.run.res[R_T], 9), TIGHT);
    EXPECT_LT(relative(e.run.res[R_PVAL], erfcq(9 / sqrtq(2))), 1e-20Q);
}

TEST(TestCommand, FullWorkAreaLeavesNoRoomForTheTest) {
    SmallFit e;
    // Two rows of two values and the 2 x 2 matrix need 8 words; leave 7.
    e.run.ws.MAXADD = e.run.ws.LASADD + 7;
    const Lines out = e.command("TEST", "TEST X\nTEST CONSTANT\nEND\n");
    EXPECT_TRUE(has_line(out, " ...ERROR..INSUFFICIENT MEMORY FOR THIS CALCULATION"));
    EXPECT_EQ(e.run.res[R_ERR], 15008);
    e.run.ws.MAXADD += 1;
    e.command("TEST", "TEST X\nTEST CONSTANT\nEND\n");
    // b' V**-1 b with V**-1 = 6 X'X = [84 36; 36 18]: 189 - 72 + 8.
    EXPECT_LT(relative(e.run.res[R_CHI], 125), TIGHT);
}

} // namespace
} // namespace tarvex
