// QP and PORTFOLI against exact rational solutions, through the values a user reads after the
// commands (X=, DUAL=, BOUNDDUA=, $VAL, MINVAR=, TANGENCY=, FRONTIER=).
// Rational references: python3 tests/data/qp_rational_reference.py (every working set's KKT
// system solved in Fractions; the portfolios' closed forms from the returns as exact decimals).
// Its 40-digit decimals are typed here. QP's point is the binary128 solve of the final KKT
// system refined with exact residuals: within a unit or two in the last place. The portfolios
// go through a Cholesky solve of the covariance matrix: 1e-30 relative.
// R's quadprog agrees to its binary64 digits, e.g. for the >= rows:
//   solve.QP(diag(3), c(0,5,0), matrix(c(-4,-3,0,2,1,0,0,-2,1),3,3), c(-8,2,0))$solution
//   = 0.4761905 1.0476190 2.0952381, $value -2.380952.
#include "gnuplot_stand_in.hpp"
#include "test_support.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace tarvex::testing {
namespace {

const std::string TEXTBOOK = "READ Q / ROWS=2 COLS=2\n1 -1\n-1 2\n"
                             "READ C / ROWS=1 COLS=2\n-2 -6\n"
                             "READ A / ROWS=3 COLS=2\n1 1\n-1 2\n2 1\n"
                             "READ B / ROWS=1 COLS=3\n2 2 3\n"
                             "READ Z0 / ROWS=1 COLS=2\n0 0\n";

// Minimise 1/2 x'Qx + c'x with three <= rows and x >= 0: x = (2/3, 4/3), y = (-28/9, -4/9, 0),
// value -74/9; the bounds are not active.
TEST(QpReference, InequalityRowsGiveTheExactVertexAndMultipliers) {
    ScriptRun r(TEXTBOOK + "QP Q C A B / LOWER=Z0 SILENT X=X DUAL=Y BOUNDDUA=Z SLACK=S\nSTOP\n");
    expect_ulps(r.values("X"),
                {"6.666666666666666666666666666666666666667e-1",
                 "1.333333333333333333333333333333333333333e+0"},
                2);
    expect_ulps(r.values("Y"),
                {"-3.111111111111111111111111111111111111111e+0",
                 "-4.444444444444444444444444444444444444444e-1", "0"},
                2);
    EXPECT_EQ(r.values("Z"), (std::vector<Real>{0, 0}));
    const std::vector<Real> s = r.values("S");
    ASSERT_EQ(s.size(), 3u);
    EXPECT_LE(fabsq(s[0]), 1e-33Q);
    EXPECT_LE(fabsq(s[1]), 1e-33Q);
    EXPECT_GT(s[2], 0.3Q); // 3 - 2*2/3 - 4/3 = 1/3
    EXPECT_LE(ulps_apart(r.scalar(R_VAL),
                         strtoflt128("-8.222222222222222222222222222222222222222", nullptr)),
              2);
}

// >= rows (the multipliers positive): x = (10/21, 22/21, 44/21), y = (0, 5/21, 44/21).
TEST(QpReference, AtLeastRowsHavePositiveMultipliers) {
    ScriptRun r("READ Q / ROWS=3 COLS=3\n1 0 0\n0 1 0\n0 0 1\nREAD C / ROWS=1 COLS=3\n0 -5 0\n"
                "READ A / ROWS=3 COLS=3\n-4 -3 0\n2 1 0\n0 -2 1\nREAD B / ROWS=1 COLS=3\n-8 2 0\n"
                "READ T / ROWS=1 COLS=3\n1 1 1\nQP Q C A B / TYPES=T SILENT X=X DUAL=Y\nSTOP\n");
    expect_ulps(r.values("X"),
                {"4.761904761904761904761904761904761904762e-1",
                 "1.047619047619047619047619047619047619048e+0",
                 "2.095238095238095238095238095238095238095e+0"},
                2);
    expect_ulps(r.values("Y"),
                {"0", "2.380952380952380952380952380952380952381e-1",
                 "2.095238095238095238095238095238095238095e+0"},
                2);
    EXPECT_LE(ulps_apart(r.scalar(R_VAL),
                         strtoflt128("-2.380952380952380952380952380952380952381", nullptr)),
              2);
}

// The bounds' multipliers: with x <= (4, 3) the unconstrained minimum (10, 8) is cut back to the
// corner (4, 3), where Qx + c = (-1, -4) = z (both upper bounds bind, z <= 0).
TEST(QpReference, BoundsThatBindCarryTheGradientAsMultipliers) {
    ScriptRun r(TEXTBOOK + "READ UP / ROWS=1 COLS=2\n4 3\nQP Q C / UPPER=UP SILENT X=X "
                           "BOUNDDUA=Z\nQP Q C / SILENT X=XU\nSTOP\n");
    EXPECT_EQ(r.values("X"), (std::vector<Real>{4, 3}));
    EXPECT_EQ(r.values("Z"), (std::vector<Real>{-1, -4}));
    EXPECT_EQ(r.values("XU"), (std::vector<Real>{10, 8}));
}

const std::string RETURNS = "SMPL 1 12\nREAD RA RB RC RD\n"
                            "1.2 0.4 2.5 -0.3\n-0.8 0.9 -1.7 0.6\n2.1 0.2 3.9 0.1\n"
                            "0.5 0.7 -0.6 0.8\n1.7 -0.1 2.2 -0.2\n-0.3 0.8 1.4 0.5\n"
                            "0.9 0.3 -2.1 0.9\n1.4 0.6 4.2 0.0\n-1.1 0.5 0.3 0.7\n"
                            "2.4 0.1 1.9 -0.4\n0.6 0.9 -0.8 0.3\n1.3 0.2 2.8 0.4\n"
                            "READ T1 / ROWS=1 COLS=1\n1\nREAD T08 / ROWS=1 COLS=1\n0.8\n";

// The minimum-variance and tangency (rf = 0.2) portfolios of the closed forms, as exact
// rationals give them; both have positive weights, so the long-only programs find them too.
const std::vector<Real> MIN_VARIANCE = decimal_values(
    {"1.683232548885960592273004128651892247650e-1", "4.564180628582303884306670256138889533092e-1",
     "3.443397090323357436982956120116498158189e-2",
     "3.408247113499399779722030003197568403438e-1"});
const std::vector<Real> TANGENCY = decimal_values({"1.786046359328154956261341290653559474287e-1",
                                                   "5.146632621839137973128071864143428702126e-1",
                                                   "3.577499941272716305890340942051714400782e-2",
                                                   "2.709571024705435440021552750997840383509e-1"});

// With short sales: the minimum-variance portfolio Sigma^-1 1 / 1'Sigma^-1 1, the frontier at
// mean 1 and the tangency portfolio at rf = 0.2, all from the closed forms.
TEST(PortfolioReference, ClosedFormsMatchTheRationalPortfolios) {
    ScriptRun r(RETURNS + "PORTFOLI RA RB RC RD / SILENT RF=0.2 TARGETS=T1 MINVAR=MV "
                          "TANGENCY=TG WEIGHTS=W FRONTIER=F\nSTOP\n");
    expect_all(r.values("MV"), MIN_VARIANCE, 1e-30Q);
    expect_all(r.values("TG"), TANGENCY, 1e-30Q);
    expect_all(r.values("W"),
               {"4.808930821172856278365139902169750903533e-1",
                "2.227161877509993200040039911102614495347e+0",
                "7.520330410062808480929955191265768608255e-2",
                "-1.783258263727906912685853453232247271783e+0"},
               1e-30Q);
    const std::vector<Real> f = r.values("F"); // mean, standard deviation
    ASSERT_EQ(f.size(), 2u);
    EXPECT_TRUE(agrees(f[0], 1, 1e-30Q));
    EXPECT_TRUE(agrees(f[1] * f[1],
                       strtoflt128("1.088317416468855057676818787195309356163", nullptr), 1e-30Q));
}

// Without short sales the frontier at mean 0.8 leaves RD out (weight exactly 0); and where the
// closed form's weights are all positive (the minimum-variance and tangency portfolios here) the
// quadratic programs must find the same portfolios.
TEST(PortfolioReference, LongOnlyProgramsMatchTheRationalsAndTheClosedForms) {
    ScriptRun r(RETURNS + "PORTFOLI RA RB RC RD / NOSHORT SILENT RF=0.2 TARGETS=T08 MINVAR=MV "
                          "TANGENCY=TG WEIGHTS=W FRONTIER=F\nSTOP\n");
    const std::vector<Real> w = r.values("W");
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[3], 0);
    expect_all({w[0], w[1], w[2]},
               {"4.103349565636670259541305770016232303337e-1",
                "3.197207856575253168927134863874523241920e-1",
                "2.699442577788076571531559366109244454743e-1"},
               1e-30Q);
    const std::vector<Real> f = r.values("F");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_TRUE(agrees(
        f[1] * f[1], strtoflt128("7.287675030287284213406752667978060590315e-1", nullptr), 1e-30Q));
    expect_all(r.values("MV"), MIN_VARIANCE, 1e-30Q);
    expect_all(r.values("TG"), TANGENCY, 1e-30Q);
}

// The frontier picture as gnuplot receives it: the frontier's points are the stored FRONTIER=,
// each asset a named point, and the capital market line starts at (0, rf) and passes through
// the tangency portfolio.
TEST(PortfolioReference, FrontierPictureCarriesThePortfoliosDrawn) {
    ScratchDir scratch;
    const KeepingGnuplot gnuplot(scratch);
    ScriptRun r(RETURNS + "PORTFOLI RA RB RC RD / SILENT NPOINT=5 RF=0.2 FRONTIER=F GRAPH "
                          "OUTPUT=pf\nSTOP\n");
    EXPECT_TRUE(r.has_line(" ...NOTE..GRAPH WRITTEN: " + scratch.file("pf.png"))) << r.output;
    const std::vector<std::string> script = kept_script(scratch);
    // The rows of the data block that `name` opens, as numbers (and the asset names).
    const auto block = [&](const std::string& name, std::vector<std::string>* labels = nullptr) {
        std::vector<std::vector<Real>> rows;
        auto at = std::find(script.begin(), script.end(), name + " << EOD");
        EXPECT_NE(at, script.end()) << name;
        for (++at; at != script.end() && *at != "EOD"; ++at) {
            std::istringstream in(*at);
            std::string x, y, label;
            in >> x >> y >> label;
            rows.push_back({strtoflt128(x.c_str(), nullptr), strtoflt128(y.c_str(), nullptr)});
            if (labels != nullptr) labels->push_back(label);
        }
        return rows;
    };
    const std::vector<Real> f = r.values("F"); // 5 means, then 5 standard deviations
    const auto frontier = block("$F");
    ASSERT_EQ(frontier.size(), 5u);
    ASSERT_EQ(f.size(), 10u);
    for (std::size_t j = 0; j < 5; ++j) {
        EXPECT_TRUE(agrees(frontier[j][0], f[5 + j], 1e-19Q)) << j;
        EXPECT_TRUE(agrees(frontier[j][1], f[j], 1e-19Q)) << j;
    }
    std::vector<std::string> names;
    EXPECT_EQ(block("$A", &names).size(), 4u);
    EXPECT_EQ(names, (std::vector<std::string>{"\"RA\"", "\"RB\"", "\"RC\"", "\"RD\""}));
    const auto tangency = block("$T"), line = block("$L");
    ASSERT_EQ(tangency.size(), 1u);
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[0][0], 0);
    EXPECT_TRUE(agrees(line[0][1], Real(0.2Q), 1e-30Q));
    const Real slope = (tangency[0][1] - Real(0.2Q)) / tangency[0][0];
    EXPECT_TRUE(agrees((line[1][1] - Real(0.2Q)) / line[1][0], slope, 1e-18Q));
}

} // namespace
} // namespace tarvex::testing
