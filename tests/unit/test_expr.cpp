// Tests of the expression language below what a report prints: values that must be correctly
// rounded to the bit (decimal exponents, SQRT, LOG of EXP, LGAM to 33 digits), the normal tail
// to 30 digits, the exponential split and powers, the missing code of illegal operations,
// subscripts and lag distances that are no number, and the random numbers. Binding strengths,
// integer arithmetic and functions, lags, leads, running values, BACK, targets, short variables,
// RECODE, IF, IF1, SKIPIF, SKIPMISS, compiled listings and every compiler message are pinned by the
// genr/values, refused, errors, illegal, if_skipif and space_shortage goldens.
#include "core/command_table.hpp"
#include "expr/genr_command.hpp"
#include "expr/program.hpp"
#include "expr/scalar_functions.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/random_numbers.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace tarvex {
namespace {

using testing::WorkspaceEngine;
using Lines = std::vector<std::string>;

struct ExprEngine : WorkspaceEngine {
    explicit ExprEngine(int obs = 5) : WorkspaceEngine(100, 200000) {
        for (SwitchId id : {OWARN, OMSWRN, OLC, OBAT, OSKWRN, OTALK, OOPUT}) run.sw[id] = true;
        sample(1, obs);
    }
    void sample(int first, int last) {
        run.smpl.IBEG = first;
        run.smpl.IEND = last;
        run.smpl.MAXOB = std::max(run.smpl.MAXOB, last);
        run.smpl.NOBS = last - first + 1;
    }
    // Runs one statement of command `ikod`; returns the report lines.
    Lines command(int ikod, const std::string& word, const std::string& args) {
        run.cmd.text = word + " " + args;
        run.cmd.col = static_cast<int>(word.size());
        run.cmd.IKOD = ikod;
        run.flags.ODONT = false;
        run.flags.OPUT = true;
        run.flags.if_false = false;
        run.flags.endif_hit = false;
        cmd_genr(run);
        return lines();
    }
    Lines genr(const std::string& args) { return command(C_GENR, "GENR", args); }
    // Element t of a named variable.
    Real at(const std::string& name, long long t) {
        const int ref = VFIND(run, name);
        EXPECT_GT(ref, 0) << name;
        return ref > 0 ? elem(ref, t) : Real(-1);
    }
    std::vector<double> values(const std::string& name, int n) {
        std::vector<double> out; // doubles only to print readable test failures
        for (int t = 1; t <= n; ++t) out.push_back(static_cast<double>(at(name, t)));
        return out;
    }
    // Fills a new variable with the given values.
    void data(const std::string& name, std::vector<Real> v) {
        const int ref = make(name, static_cast<long long>(v.size()));
        for (std::size_t k = 0; k < v.size(); ++k) elem(ref, static_cast<long long>(k + 1)) = v[k];
    }
};

// ---- values -----------------------------------------------------------------------------------

TEST(ExprExecutor, CorrectlyRoundedValues) {
    ExprEngine e(1);
    auto value = [&](const std::string& expression) {
        e.genr("R = " + expression);
        return e.at("R", 1);
    };
    EXPECT_EQ(value("7 .E. -1"), Real(0.7Q)); // correctly rounded, not 7 * 0.1
    // SQRT(2) is correctly rounded: 1.6a09e667f3bcc908b2fb1366ea95 in hexadecimal, as the exact
    // root 1.6a09e667f3bcc908b2fb1366ea95|7d3e... rounds down.
    const Real root2 = 0x1.6a09e667f3bcc908b2fb1366ea95p+0Q;
    EXPECT_EQ(value("SQRT(2)"), root2);
    EXPECT_EQ(value("SQRT(2) * SQRT(2) - 2"), Real(root2 * root2 - 2));
    EXPECT_EQ(value("1/3"), Real(1) / 3);
    // EXP(1) lies 0.26 units below e; its logarithm, 1 - 0.70 * 2**-113, rounds below 1.
    EXPECT_EQ(value("LOG(EXP(1))"), 1 - EPSNEG);
    EXPECT_EQ(value("LOG(2) * 2 - LOG(4)"), 0);
    // ln(gamma(1/2)) = ln(sqrt(pi)); ln(9!) = ln(362880).
    EXPECT_LT(qm::abs(value("LGAM(0.5)") - 0.572364942924700087071713675676529356Q), 1e-33Q);
    EXPECT_LT(qm::abs(value("LGAM(10)") - 12.8018274800814696112077178745667062Q), 1e-32Q);
    EXPECT_EQ(value("$PI"), qm::PI);
    e.data("D", {5, 6, 7});
    EXPECT_EQ(value("DATA(D) + SAMP(D)"), 4);
}

TEST(ExprFunctions, NormalTailsToThirtyDigits) {
    // Published values of the standard normal distribution function.
    struct Point {
        Real x, phi;
    };
    const Point points[] = {
        {-30, 4.906713927148187059533809256580190472e-198Q},
        {-10, 7.619853024160526065973343251599308364e-24Q},
        {-37.5Q, 4.605353009581954843827969097610896239e-308Q},
        {5, 0.9999997133484281208060883262476671253546Q},
        {-1, 0.158655253931457051414767454367962077522Q},
    };
    for (const Point& p : points) {
        const Real got = expr::ncdf(p.x);
        EXPECT_LT(qm::abs(got - p.phi) / p.phi, 1e-30Q) << static_cast<double>(p.x);
    }
    EXPECT_EQ(expr::ncdf(-200), 0);
    EXPECT_EQ(expr::ncdf(40), 1);
}

TEST(ExprFunctions, ExponentialSplitAndPowers) {
    bool overflow = false;
    EXPECT_EQ(expr::exp_split(0, overflow), 1);
    EXPECT_FALSE(overflow);
    const Real near = expr::exp_split(11356.52Q, overflow); // just above EXLIM, still finite
    EXPECT_FALSE(overflow);
    EXPECT_LT(qm::abs(near / expq(11356.52Q) - 1), 1e-31Q);
    expr::exp_split(11357, overflow);
    EXPECT_TRUE(overflow);
    // Arguments far beyond the range overflow at once instead of stepping towards infinity
    // from a remainder that has lost every digit (1e4000 once stepped from exp(r) = 0).
    for (const Real huge : {2 * EXLIM, 1e40Q, 1e4000Q, __builtin_infq()}) {
        overflow = false;
        expr::exp_split(huge, overflow);
        EXPECT_TRUE(overflow) << static_cast<double>(huge);
    }
    bool illegal = false;
    EXPECT_EQ(expr::power(3, 4, illegal), 81);
    EXPECT_EQ(expr::power(-2, 3, illegal), -8);
    EXPECT_FALSE(illegal);
    expr::power(-8, 1.0Q / 3, illegal);
    EXPECT_TRUE(illegal);
    expr::power(0, -1, illegal);
    EXPECT_TRUE(illegal);
    Real hi, lo;
    expr::two_product(1 + EPSNEG * 2, 1 + EPSNEG * 2, hi, lo);
    EXPECT_EQ(hi, 1 + EPSNEG * 4);
    EXPECT_EQ(lo, EPSNEG * EPSNEG * 4);
}

// The LOG, DIV and SQRT warnings and their silencing are pinned by the genr/illegal golden.
TEST(ExprExecutor, IllegalOperationsGiveTheMissingCode) {
    ExprEngine e(4);
    e.data("X", {1, 0, -1, 4});
    e.genr("Z = LOG(X)");
    EXPECT_EQ(e.at("Z", 2), -99999);
    EXPECT_EQ(e.at("Z", 3), -99999);
    EXPECT_EQ(e.at("Z", 4), logq(4));
    const Lines out = e.genr("S = SQRT(X) + LGAM(X) + X ** 0.5");
    EXPECT_EQ(
        out[0],
        " ...WARNING..ILLEGAL LGAM IN OBS    2,VALUE=     0.000 USING MISSING CODE=-99999.000");
    // Without warnings nothing is printed, but the code is still stored.
    e.run.sw[OWARN] = false;
    e.run.sw[OMSWRN] = false;
    EXPECT_TRUE(e.genr("Z = LOG(X - 10)").empty());
    EXPECT_EQ(e.at("Z", 4), -99999);
    // EXP beyond the exponent limit, with a fixed-point argument.
    e.run.sw[OWARN] = true;
    EXPECT_EQ(e.command(C_GEN1, "GEN1", "Z = EXP(12000)")[0],
              " ...ERROR..EXPONENTIAL OVERFLOW EXP=12000.000");
}

TEST(ExprExecutor, SubscriptsAndLagDistancesThatAreNoNumber) {
    ExprEngine e(3);
    e.data("V", {10, 20, 30});
    e.data("I", {2, __builtin_nanq(""), __builtin_infq()});
    e.data("OLD", {1, 2, 3});
    // A subscript that is not a number stops the command before anything is stored.
    Lines out = e.genr("OLD = V(I)");
    EXPECT_EQ(out, (Lines{" ...ERROR..ROW OR COLUMN-9999 EXCEEDS VARIABLE SIZE"}));
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_EQ(e.values("OLD", 3), (std::vector<double>{20, 2, 3})); // observation 1 was done
    out = e.genr("W = V(I)");
    EXPECT_EQ(out, (Lines{" ...ERROR..ROW OR COLUMN-9999 EXCEEDS VARIABLE SIZE"}));
    EXPECT_EQ(VFIND(e.run, "W"), 0); // the new target is dropped
    // An infinite subscript is shown as the largest number the field holds.
    e.command(C_GEN1, "GEN1", "W = 1");
    out = e.genr("W = V(I(3))");
    EXPECT_EQ(out, (Lines{" ...ERROR..ROW OR COLUMN99999 EXCEEDS VARIABLE SIZE"}));
    // A LAG distance that is not a number (or infinite) reaches nothing: the value is 0.
    const Lines lag_note{" ...NOTE..LAG VALUE IN UNDEFINED OBSERVATIONS SET TO ZERO"};
    EXPECT_EQ(e.genr("L = LAG(V, I)"), lag_note);
    EXPECT_EQ(e.values("L", 3), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(e.genr("L = LAG(V, I(1) - 1)"), lag_note); // distance 1, not a constant
    EXPECT_EQ(e.values("L", 3), (std::vector<double>{0, 10, 20}));
    EXPECT_EQ(e.genr("L = LAG(V, -1) + V ** 2 + V ** 0"), lag_note);
    EXPECT_EQ(e.values("L", 3), (std::vector<double>{121, 431, 901}));
}

TEST(ExprRandom, SeededAndReproducible) {
    ExprEngine e(2000);
    e.run.rng.seed(7);
    e.genr("U = UNI(2)");
    e.genr("N = NOR(1)");
    e.genr("V = UNI(3, 5)");
    Real sum = 0, squares = 0, usum = 0;
    bool low_bits = false;
    for (int t = 1; t <= 2000; ++t) {
        const Real u = e.at("U", t);
        ASSERT_GT(u, 0);
        ASSERT_LT(u, 2);
        const Real v = e.at("V", t);
        ASSERT_GT(v, 3);
        ASSERT_LT(v, 5);
        usum += u;
        const Real n = e.at("N", t);
        sum += n;
        squares += n * n;
        // The draws fill the significand well beyond a double's 53 bits.
        const Real scaled = u * 0.5Q * 9007199254740992.0Q; // u/2 * 2**53
        if (scaled - qm::floor(scaled) != 0) low_bits = true;
    }
    EXPECT_NEAR(static_cast<double>(usum / 2000), 1.0, 0.05);
    EXPECT_NEAR(static_cast<double>(sum / 2000), 0.0, 0.07);
    EXPECT_NEAR(static_cast<double>(squares / 2000), 1.0, 0.1);
    EXPECT_TRUE(low_bits);
    // The same seed gives the same numbers.
    const Real first = e.at("U", 1);
    e.run.rng.seed(7);
    e.genr("U2 = UNI(2)");
    EXPECT_EQ(e.at("U2", 1), first);
}

// A uniform number is (2m + 1) / 2**113 for the 112-bit m of the next two words, the top 48 bits
// of the first and all of the second; 2**-113 is the smallest, 1 - 2**-113 the largest.
TEST(ExprRandom, UniformsAreOddMultiplesOfTwoToMinus113) {
    expr::RandomGenerator uniforms, words;
    uniforms.seed(5);
    words.seed(5);
    for (int k = 0; k < 20000; ++k) {
        const unsigned __int128 high = words.next() >> 16, low = words.next();
        const unsigned __int128 odd = (((high << 64) | low) << 1) | 1;
        const Real expected = static_cast<Real>(odd) * 0x1p-113Q;
        const Real u = uniforms.uniform();
        ASSERT_EQ(std::memcmp(&u, &expected, sizeof u), 0) << "uniform number " << k;
    }
}

// Each normal number is sqrt(-2 log u1) * cos(2 pi u2) of the next two uniforms, the logarithm
// and cosine correctly rounded: within 4 * 2**-112 relatively of the same formula through
// libquadmath, whose logq and cosq are within one unit (up to 2**-112 relatively each).
TEST(ExprRandom, NormalsAreBoxMullerOfTheUniforms) {
    expr::RandomGenerator normals, uniforms;
    normals.seed(3);
    uniforms.seed(3);
    for (int k = 0; k < 20000; ++k) {
        const Real n = normals.normal();
        const Real u1 = uniforms.uniform(), u2 = uniforms.uniform();
        const Real expected = sqrtq(-2 * logq(u1)) * cosq(2 * M_PIq * u2);
        ASSERT_LE(fabsq(n - expected), 4 * fabsq(expected) * FLT128_EPSILON)
            << "normal number " << k;
    }
}

// Normals computed ahead in blocks on two threads are the numbers drawn one at a time, bit for
// bit, and a uniform draw after some of them continues from the state after those alone.
TEST(ExprRandom, NormalsDrawnAheadAreTheSameNumbers) {
    const std::size_t n = 200000, taken = 150001;
    expr::RandomGenerator one, ahead;
    one.seed(11);
    ahead.seed(11);
    ahead.expect_normals(n);
    for (std::size_t k = 0; k < taken; ++k) {
        const Real a = one.normal(), b = ahead.normal();
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "normal number " << k;
    }
    const Real a = one.uniform(), b = ahead.uniform();
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(std::memcmp(one.s, ahead.s, sizeof one.s), 0);
}

} // namespace
} // namespace tarvex
