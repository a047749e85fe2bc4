// LP and GAMES against exact rational solutions and R's lpSolve, through the values a user reads
// after the commands (X=, DUAL=, REDUCED=, SLACK=, ROWSTRAT=, COLSTRAT=, $VAL).
// Rational references: python3 tests/data/lp_rational_reference.py (an exact simplex in
// Fractions); its 40-digit decimals are typed here and must match the engine's binary128 values
// to the last bit (at most one unit in the last place where the rational is not a binary128
// number: the engine's vertex is the correctly rounded solve of the optimal basis).
// lpSolve: library(lpSolve); s <- lp("max", c, A, dir, b, compute.sens=TRUE); s$solution,
// s$duals, s$objval (binary64 digits, compared to 1e-13).
#include "test_support.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>
#include <sstream>

namespace tarvex::testing {
namespace {

// READ statements for a matrix typed row after row.
std::string matrix(const std::string& name, int rows, int cols, const std::string& values) {
    std::ostringstream s;
    s << "READ " << name << " / ROWS=" << rows << " COLS=" << cols << "\n" << values << "\n";
    return s.str();
}

std::string klee_minty_script(int n) {
    std::ostringstream c, a, b;
    for (int i = 1; i <= n; ++i) {
        c << (1LL << (n - i)) << (i < n ? " " : "");
        long long five = 1;
        for (int k = 0; k < i; ++k) five *= 5;
        b << five << (i < n ? " " : "");
        for (int j = 1; j <= n; ++j)
            a << (j < i ? (1LL << (i - j + 1)) : j == i ? 1 : 0) << (j < n ? " " : "\n");
    }
    return matrix("C", 1, n, c.str()) + matrix("A", n, n, a.str()) + matrix("B", 1, n, b.str()) +
           "LP C A B / MAX SILENT X=X DUAL=Y REDUCED=D SLACK=S\n";
}

// Klee-Minty cubes: the path of the largest reduced cost visits all 2^n vertices; the optimum is
// x = (0, ..., 0, 5^n) with the last row's dual 1 and the others 0.
TEST(LpReference, KleeMintyCubesEndAtTheExactVertexAndDuals) {
    for (int n : {8, 9, 10}) {
        ScriptRun r(klee_minty_script(n) + "STOP\n");
        long long five = 1;
        for (int k = 0; k < n; ++k) five *= 5;
        std::vector<Real> x(std::size_t(n), Real(0)), y(std::size_t(n), Real(0));
        x.back() = Real(five);
        y.back() = 1;
        EXPECT_EQ(r.values("X"), x) << "n = " << n;
        EXPECT_EQ(r.values("Y"), y) << "n = " << n;
        EXPECT_TRUE(bits_equal(r.scalar(R_VAL), Real(five)));
        // Every slack but the last row's is positive; reduced costs of the zero x are negative.
        const std::vector<Real> s = r.values("S"), d = r.values("D");
        ASSERT_EQ(s.size(), std::size_t(n));
        EXPECT_EQ(s.back(), 0);
        for (int j = 0; j + 1 < n; ++j) EXPECT_LT(d[std::size_t(j)], 0);
    }
}

const std::string BEALE = matrix("C", 1, 4, "-0.75 20 -0.5 6") +
                          matrix("A", 3, 4, "0.25 -8 -1 9\n0.5 -12 -0.5 3\n0 0 1 0") +
                          matrix("B", 1, 3, "0 0 1");

// Beale's problem cycles under the textbook rules; minimised, the optimum is x = (1, 0, 1, 0),
// objective -5/4, duals (0, -3/2, -5/4) (the rational maximisation's negated).
TEST(LpReference, BealesDegenerateProblemDoesNotCycle) {
    ScriptRun r(BEALE + "LP C A B / MIN SILENT X=X DUAL=Y REDUCED=D SLACK=S\nSTOP\n");
    EXPECT_EQ(r.values("X"), (std::vector<Real>{1, 0, 1, 0}));
    EXPECT_EQ(r.values("Y"), (std::vector<Real>{0, -1.5Q, -1.25Q}));
    EXPECT_EQ(r.values("S"), (std::vector<Real>{0.75Q, 0, 0}));
    EXPECT_TRUE(bits_equal(r.scalar(R_VAL), -1.25Q));
    // c_j - y'a_j: 0 for the basic x1, x3; x2: 20 - 18 = 2; x4: 6 + 4.5 = 10.5.
    EXPECT_EQ(r.values("D"), (std::vector<Real>{0, 2, 0, 10.5Q}));
}

// Badly scaled data (2^-10 to about 1e7): the vertex and duals of the optimal basis to the last
// binary128 digit of the rational solution.
TEST(LpReference, BadlyScaledProblemAgreesWithTheRationalSolution) {
    ScriptRun r(
        matrix("C", 1, 4, "1000000 3 0.0009765625 250000") +
        matrix("A", 4, 4, "1 2000000 3 1\n1000000 1 1 7\n0.015625 1 1048576 1\n3 5 1 999999") +
        matrix("B", 1, 4, "4000000 1000003 33554432 12345678") +
        "LP C A B / MAX SILENT X=X DUAL=Y\nSTOP\n");
    expect_ulps(r.values("X"),
                {"0.9999145802652510271790588885387909221242",
                 "1.999993327204036883889910894645533271152", "0",
                 "12.34567734596696915103165004491890607487"},
                1);
    expect_ulps(r.values("Y"),
                {"3.750172499947504014374390721759378856400E-7",
                 "0.9999992500198749883754799998134490601227", "0",
                 "0.2499932499981248417499283711669350337194"},
                1);
    EXPECT_LE(ulps_apart(r.scalar(R_VAL),
                         strtoflt128("4086339.916736974927047623069501201377441", nullptr)),
              1);
}

// Rows of every type and a bound, against lpSolve (which takes x >= 0; the bound x3 <= 4 is a
// fourth row there):
//   s <- lp("min", c(2,3,-1), rbind(c(1,1,1),c(1,-1,0),c(0,1,2),c(0,0,1)),
//           c(">=","=","<=","<="), c(2,0.5,7,4), compute.sens=TRUE)
//   s$solution 0.5 0.0 3.5; s$duals 0.0 2.0 -0.5 0.0 (rows) 0.0 5.5 0.0 (reduced); s$objval -2.5
TEST(LpReference, RowTypesAndBoundsAgreeWithLpSolve) {
    ScriptRun r(matrix("C", 1, 3, "2 3 -1") + matrix("A", 3, 3, "1 1 1\n1 -1 0\n0 1 2") +
                matrix("B", 1, 3, "2 0.5 7") + matrix("T", 1, 3, "1 0 -1") +
                matrix("U", 1, 3, "1E30 1E30 4") +
                "LP C A B / MIN SILENT TYPES=T UPPER=U X=X DUAL=Y REDUCED=D SLACK=S\nSTOP\n");
    EXPECT_EQ(r.values("X"), (std::vector<Real>{0.5Q, 0, 3.5Q}));
    EXPECT_EQ(r.values("Y"), (std::vector<Real>{0, 2, -0.5Q}));
    EXPECT_EQ(r.values("D"), (std::vector<Real>{0, 5.5Q, 0}));
    EXPECT_EQ(r.values("S"), (std::vector<Real>{-2, 0, 0})); // b - a'x: the >= row is 2 above
    EXPECT_TRUE(bits_equal(r.scalar(R_VAL), -2.5Q));
}

// A game without a saddle point, against lpSolve on the shifted matrix:
//   A <- matrix(c(3,-1,2, -2,4,-1, 1,-3,2), 3, byrow=TRUE)
//   s <- lp("max", c(1,1,1), A+3, rep("<=",3), rep(1,3), compute.sens=TRUE); v <- 1/s$objval
//   column strategy s$solution*v = 0 0.375 0.625; row strategy s$duals[1:3]*v = 0.625 0.375 0;
//   value v-3 = 0.875 (exactly 7/8: (5/8, 3/8, 0) earns 9/8, 7/8, 7/8 against the columns).
// A game with a saddle point: entry (1, 2) = 2 is its row's least and its column's greatest.
TEST(GamesReference, MixedAndPureStrategiesAndTheValue) {
    ScriptRun r(matrix("G", 3, 3, "3 -1 2\n-2 4 -1\n1 -3 2") +
                "GAMES G / SILENT ROWSTRAT=P COLSTRAT=Q\n" + matrix("H", 2, 3, "4 2 3\n1 0 -1") +
                "GAMES H / ROWSTRAT=P2 COLSTRAT=Q2\nSTOP\n");
    // Strategies are LP values scaled by the shifted value: one rounding each way.
    expect_ulps(r.values("P"), {0.625Q, 0.375Q, 0}, 2);
    expect_ulps(r.values("Q"), {0, 0.375Q, 0.625Q}, 2);
    EXPECT_EQ(r.values("P2"), (std::vector<Real>{1, 0}));
    EXPECT_EQ(r.values("Q2"), (std::vector<Real>{0, 1, 0}));
    EXPECT_TRUE(bits_equal(r.scalar(R_VAL), 2)); // its saddle point line: the lp/games golden
}

} // namespace
} // namespace tarvex::testing
