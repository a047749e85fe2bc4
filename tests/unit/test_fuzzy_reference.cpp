// FUZZY against the exact optimum in rational arithmetic and against R's lpSolve, through the
// values a user reads after the command (COEF=, SPREAD=, LOWER=, UPPER=, $VAL).
// Rational references: python3 tests/data/fuzzy/fuzzy_rational_reference.py visits every vertex
// of the program in Fractions and says the optimum is a single vertex; with data exact in
// binary128 the engine's vertex is the correctly rounded solve of the optimal basis, so each
// value must be within one unit in the last place of the rational.
// lpSolve: Rscript tests/data/fuzzy/fuzzy_lpsolve_reference.R (binary64 digits, to 1e-13).
#include "test_support.hpp"

#include "numeric/qmath.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

Real rational(long long p, long long q) {
    return Real(p) / Real(q);
}

// Two regressors and an intercept on eight observations of integers:
//   fuzzy([X2, Z, 1], Y, 0): a = (2/3, 13/18, 25/18), c = (0, 1/18, 13/18), total 47/6;
// at h = 1/2 (1 - h exact) every spread and the total double, the centres stay.
const std::string INTEGER_DATA = "SAMPLE 1 8\nREAD Y X2 Z\n5 3 2\n6 1 7\n4 4 1\n9 1 8\n7 5 2\n"
                                 "12 9 8\n3 2 1\n11 6 8\n";

TEST(FuzzyReference, IntegerDataGiveTheRationalVertexToTheLastBit) {
    for (int halve : {0, 1}) {
        ScriptRun r(INTEGER_DATA + "FUZZY Y X2 Z / H=" + (halve ? "0.5" : "0") +
                    " COEF=A SPREAD=C\nSTOP\n");
        const Real widen = halve ? 2 : 1;
        expect_ulps(r.values("A"), {rational(2, 3), rational(13, 18), rational(25, 18)}, 1);
        expect_ulps(r.values("C"), {Real(0), widen * rational(1, 18), widen * rational(13, 18)}, 1);
        EXPECT_LE(ulps_apart(r.scalar(R_VAL), widen * rational(47, 6)), 1);
        EXPECT_EQ(r.scalar(R_N), 8);
        EXPECT_EQ(r.scalar(R_K), 3);
    }
}

// The band at every observation holds y, and touches it where the program's rows bind: at the
// rational optimum the band a'x -+ c'|x| has y on an edge at (at least) 2K = 6 observations.
TEST(FuzzyReference, TheBandHoldsEveryObservationAndTouchesAtTheVertex) {
    ScriptRun r(INTEGER_DATA + "FUZZY Y X2 Z / LOWER=LO UPPER=HI PREDICT=FIT\nSTOP\n");
    const std::vector<Real> y = r.values("Y"), lo = r.values("LO"), hi = r.values("HI"),
                            fit = r.values("FIT");
    ASSERT_EQ(lo.size(), y.size());
    int touching = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        const Real tolerance = 1e-30Q * (1 + qm::abs(y[i]));
        EXPECT_LE(lo[i], y[i] + tolerance) << "observation " << i + 1;
        EXPECT_GE(hi[i], y[i] - tolerance) << "observation " << i + 1;
        EXPECT_LE(qm::abs((lo[i] + hi[i]) / 2 - fit[i]), tolerance);
        if (qm::abs(lo[i] - y[i]) <= tolerance || qm::abs(hi[i] - y[i]) <= tolerance) ++touching;
    }
    EXPECT_GE(touching, 5); // a spread at 0 is the sixth active constraint
}

// Decimal data (FLS's ten observations): the optimum is 8/27, 827/270 with spreads 0 and
// 671/270 at h = 0, total 671/27; at h = 0.3 the spreads and the total divided by 0.7.
const std::string DECIMAL_DATA = "SAMPLE 1 10\nREAD Y X2\n1.2 2.1\n2.9 3.5\n3.1 1.2\n2.0 4.8\n"
                                 "4.4 3.3\n3.0 5.9\n6.2 2.2\n4.1 6.1\n6.0 4.4\n5.3 7.0\n";

TEST(FuzzyReference, DecimalDataAgreeWithLpSolveAndTheRationalOptimum) {
    struct Case {
        const char* h;
        Real centre[2], spread[2], total; // lpSolve, %.17g
        Real exact_spread, exact_total;   // rational, the intercept's spread
    };
    const Case cases[] = {
        {"0",
         {0.29629629629630005Q, 3.0629629629629465Q},
         {0, 2.4851851851851849Q},
         24.851851851851844Q,
         rational(671, 270),
         rational(671, 27)},
        {"0.3",
         {0.29629629629629284Q, 3.0629629629629633Q},
         {0, 3.5502645502645502Q},
         35.5026455026455Q,
         rational(6710, 1890),
         rational(6710, 189)},
    };
    for (const Case& c : cases) {
        ScriptRun r(DECIMAL_DATA + "FUZZY Y X2 / H=" + c.h + " COEF=A SPREAD=S\nSTOP\n");
        const std::vector<Real> a = r.values("A"), s = r.values("S");
        ASSERT_EQ(a.size(), 2u);
        ASSERT_EQ(s.size(), 2u);
        for (int j = 0; j < 2; ++j) {
            EXPECT_TRUE(agrees(a[std::size_t(j)], c.centre[j], 1e-13Q)) << "h " << c.h;
            EXPECT_TRUE(agrees(s[std::size_t(j)], c.spread[j], 1e-13Q)) << "h " << c.h;
        }
        EXPECT_TRUE(agrees(r.scalar(R_VAL), c.total, 1e-13Q));
        // The decimals are not binary128 numbers: the data's own rounding, some 1e-34 relative.
        EXPECT_TRUE(agrees(a[0], rational(8, 27), 1e-30Q));
        EXPECT_TRUE(agrees(a[1], rational(827, 270), 1e-30Q));
        EXPECT_TRUE(agrees(s[1], c.exact_spread, 1e-30Q));
        EXPECT_TRUE(agrees(r.scalar(R_VAL), c.exact_total, 1e-30Q));
    }
}

} // namespace
} // namespace tarvex::testing
