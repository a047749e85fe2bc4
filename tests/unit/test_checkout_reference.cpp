// CHECKOUT / COLLIN against R 4.2 and mpmath, through the values a user reads after the command
// (VIF=, $VAL2), and the counts of its data checks (COUNTS=, $VAL, $VAL1, $N).
// Regressors:
//   x1 <- 1:10
//   x2 <- c(2.1,3.9,6.2,7.8,10.1,12.2,13.8,16.1,18.0,20.2)
//   x3 <- c(5,3,8,1,9,2,7,4,6,10)
// Variance inflation factors 1/(1-R2_j), vif <- function(f) 1/(1-summary(f)$r.squared):
//   with a constant: vif(lm(x1 ~ x2 + x3)), vif(lm(x2 ~ x1 + x3)), vif(lm(x3 ~ x1 + x2));
//   without:         vif(lm(x1 ~ 0 + x3)), vif(lm(x3 ~ 0 + x1)).
// Condition numbers on the columns scaled to unit length:
//   Xs <- sweep(X, 2, sqrt(colSums(X^2)), "/"); kappa(Xs, exact=TRUE)
//   with X <- cbind(x1,x2,x3,1) and X <- cbind(x1,x3).
// R's digits are those of binary64 through a QR of a matrix of condition about 250 (about 12
// digits agree). The same quantities at 40 digits with mpmath (mp.dps = 40: the cross products
// of the columns scaled to unit length, their eigenvalues by eigsy and their inverse, times the
// share of each column's sum of squares left about its mean) agree to 25 digits, the decimal
// data being rounded to binary128 on input.
#include "test_support.hpp"

#include "core/result_scalars.hpp"
#include "kernels/collinearity.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

constexpr Real R_DIGITS = 1e-10Q;
constexpr Real MPMATH_DIGITS = 1e-25Q;

const std::string REGRESSORS = "SAMPLE 1 10\nREAD Y X1 X2 X3\n"
                               "3 1 2.1 5\n5 2 3.9 3\n4 3 6.2 8\n8 4 7.8 1\n9 5 10.1 9\n"
                               "7 6 12.2 2\n12 7 13.8 7\n11 8 16.1 4\n14 9 18.0 6\n15 10 20.2 10\n";

TEST(CheckoutReference, VarianceInflationAndConditionWithAConstant) {
    ScriptRun r(REGRESSORS + "?OLS Y X1 X2 X3\nCHECKOUT / COLLIN VIF=V\nSTOP\n");
    const std::vector<Real> v = r.values("V");
    ASSERT_EQ(v.size(), 4u);
    // R: vif(lm(x1 ~ x2 + x3)), vif(lm(x2 ~ x1 + x3)), vif(lm(x3 ~ x1 + x2))
    EXPECT_TRUE(agrees(v[0], 1.74777377985341036037e+03Q, R_DIGITS));
    EXPECT_TRUE(agrees(v[1], 1.76021832994727242294e+03Q, R_DIGITS));
    EXPECT_TRUE(agrees(v[2], 1.31980071883185789972e+00Q, R_DIGITS));
    // mpmath at 40 digits
    EXPECT_TRUE(agrees(v[0], 1747.773779853108272393307500589314991067Q, MPMATH_DIGITS));
    EXPECT_TRUE(agrees(v[1], 1760.218329947531101264179978122508654542Q, MPMATH_DIGITS));
    EXPECT_TRUE(agrees(v[2], 1.319800718831858500835635413990470313117Q, MPMATH_DIGITS));
    EXPECT_EQ(v[3], -99999) << "the constant has no factor: the missing-value code";
    // R: kappa(Xs, exact=TRUE) with X <- cbind(x1,x2,x3,1); mpmath sqrt(max/min eigenvalue)
    EXPECT_TRUE(agrees(r.scalar(R_VAL2), 2.45777386869228166688e+02Q, R_DIGITS));
    EXPECT_TRUE(
        agrees(r.scalar(R_VAL2), 245.7773868692259895785399955148592907379Q, MPMATH_DIGITS));
    // Two factors above VIFMAX=10 and the condition number above CONDMAX=30: three findings,
    // counted in the last entry of COUNTS= (the data series themselves are clean).
    EXPECT_EQ(r.scalar(R_VAL), 3);
}

TEST(CheckoutReference, VarianceInflationFromZeroWithoutAConstant) {
    ScriptRun r(REGRESSORS + "?OLS Y X1 X3 / NOCONSTANT\nCHECKOUT X1 / COLLIN VIF=V\nSTOP\n");
    const std::vector<Real> v = r.values("V");
    ASSERT_EQ(v.size(), 2u);
    // R: vif(lm(x1 ~ 0 + x3)) = vif(lm(x3 ~ 0 + x1))
    EXPECT_TRUE(agrees(v[0], 3.83366956341816633724e+00Q, R_DIGITS));
    EXPECT_TRUE(agrees(v[1], 3.83366956341816633724e+00Q, R_DIGITS));
    EXPECT_TRUE(agrees(v[0], 3.833669563418166770122077384647217049452Q, MPMATH_DIGITS));
    // R: kappa(Xs, exact=TRUE) with X <- cbind(x1,x3)
    EXPECT_TRUE(agrees(r.scalar(R_VAL2), 3.64132657959420935612e+00Q, R_DIGITS));
    EXPECT_TRUE(
        agrees(r.scalar(R_VAL2), 3.641326579594208720918214468019568256770Q, MPMATH_DIGITS));
    EXPECT_EQ(r.scalar(R_VAL), 0) << "nothing above the thresholds, X1 clean";
}

// The Longley (1967) series, R's datasets::longley (examples/longley.csv): employment on the
// six others, whose collinearity is the classic example. R, with
//   x <- longley[, c("GNP.deflator","GNP","Unemployed","Armed.Forces","Population","Year")]
//   vif(lm(GNP.deflator ~ ., data=x)) ... vif(lm(Year ~ ., data=x))
//   X <- cbind(as.matrix(x), 1); kappa(sweep(X, 2, sqrt(colSums(X^2)), "/"), exact=TRUE)
// agrees to 11 digits (a condition of 43275 costs R's binary64 some); mpmath at 40 digits as
// above to 22.
TEST(CheckoutReference, LongleyRegressorsAreFarFromIndependent) {
    ScriptRun r("SAMPLE 1 16\nREAD EMPLOY DEFLATOR GNP UNEMP ARMED POP YEAR\n"
                "60.323 83 234.289 235.6 159 107.608 1947\n"
                "61.122 88.5 259.426 232.5 145.6 108.632 1948\n"
                "60.171 88.2 258.054 368.2 161.6 109.773 1949\n"
                "61.187 89.5 284.599 335.1 165 110.929 1950\n"
                "63.221 96.2 328.975 209.9 309.9 112.075 1951\n"
                "63.639 98.1 346.999 193.2 359.4 113.27 1952\n"
                "64.989 99 365.385 187 354.7 115.094 1953\n"
                "63.761 100 363.112 357.8 335 116.219 1954\n"
                "66.019 101.2 397.469 290.4 304.8 117.388 1955\n"
                "67.857 104.6 419.18 282.2 285.7 118.734 1956\n"
                "68.169 108.4 442.769 293.6 279.8 120.445 1957\n"
                "66.513 110.8 444.546 468.1 263.7 121.95 1958\n"
                "68.655 112.6 482.704 381.3 255.2 123.366 1959\n"
                "69.564 114.2 502.601 393.1 251.4 125.368 1960\n"
                "69.331 115.7 518.173 480.6 257.2 127.852 1961\n"
                "70.551 116.9 554.894 400.7 282.7 130.081 1962\n"
                "?OLS EMPLOY DEFLATOR GNP UNEMP ARMED POP YEAR\n"
                "CHECKOUT EMPLOY / COLLIN VIF=V\nSTOP\n");
    const std::vector<Real> v = r.values("V");
    ASSERT_EQ(v.size(), 7u) << r.output;
    const Real from_r[] = {1.35532438280003674e+02Q, 1.78851348271794313e+03Q,
                           3.36188905960502353e+01Q, 3.58893019344553599e+00Q,
                           3.99151022312649729e+02Q, 7.58980597406860511e+02Q};
    const Real from_mpmath[] = {
        135.5324382800031859852610093191918104684Q, 1788.513482718177330774981689517633422584Q,
        33.61889059604987899107122273041211662101Q, 3.588930193445543161231681701486190198163Q,
        399.1510223126395640794626567861353172561Q, 758.9805974068944863059989300866275142802Q};
    for (int j = 0; j < 6; ++j) {
        EXPECT_TRUE(agrees(v[j], from_r[j], 1e-10Q)) << "regressor " << j;
        EXPECT_TRUE(agrees(v[j], from_mpmath[j], 1e-22Q)) << "regressor " << j;
    }
    EXPECT_TRUE(agrees(r.scalar(R_VAL2), 4.32750435871822920e+04Q, 1e-10Q));
    EXPECT_TRUE(agrees(r.scalar(R_VAL2), 43275.04358718403342381547533066379177568Q, 1e-22Q));
    // Five factors above 10 (all but ARMED) and the condition number: six findings.
    EXPECT_EQ(r.scalar(R_VAL), 6);
}

// A column that is the sum of two others: no factor is finite and the condition is infinite;
// a column of zeros likewise. (An estimation refuses such regressors, so the kernel is asked.)
TEST(CheckoutReference, ExactCollinearityHasNoFiniteFactorsNorCondition) {
    const std::vector<Real> a{1, 2, 3, 4, 5}, b{5, 3, 8, 1, 9}, zero(5, 0);
    std::vector<Real> sum;
    for (std::size_t i = 0; i < a.size(); ++i) sum.push_back(a[i] + b[i]);
    for (const auto& columns : {std::vector<std::vector<Real>>{a, b, sum, {}},
                                std::vector<std::vector<Real>>{a, zero, {}}}) {
        const CollinearityMeasures m = collinearity_measures(columns, a.size());
        EXPECT_TRUE(m.singular);
        EXPECT_TRUE(isinfq(m.condition));
        EXPECT_TRUE(isinfq(m.vif[0]));
        EXPECT_EQ(m.vif.back(), 0) << "the constant";
    }
}

// The counts by kind: missing codes, constants, duplicates, below, above, lengths, gaps,
// collinearity; $N series checked, $VAL findings, $VAL1 series with a finding.
TEST(CheckoutCounts, EachKindOfFindingIsCountedOnce) {
    ScriptRun r("SAMPLE 1 6\nREAD A B C D\n"
                "1 5 1 -99999\n2 5 2 4\n3 5 3 -99999\n4 5 4 9\n5 5 5 2\n6 5 6 3\n"
                "SAMPLE 1 3\nREAD E\n1\n2\n3\nSAMPLE 1 2 5 6\n"
                "CHECKOUT A B C D E / LOWER=0 UPPER=8 COUNTS=N\nSTOP\n");
    const std::vector<Real> n = r.values("N");
    ASSERT_EQ(n.size(), 8u) << r.output;
    EXPECT_EQ(n[0], 1) << "D: one missing code in the ranges (obs. 1; obs. 3 lies in the gap)";
    EXPECT_EQ(n[1], 1) << "B constant";
    EXPECT_EQ(n[2], 1) << "C the same as A";
    EXPECT_EQ(n[3], 0);
    EXPECT_EQ(n[4], 0) << "D's 9 lies in the gap";
    EXPECT_EQ(n[5], 1) << "E shorter";
    EXPECT_EQ(n[6], 1) << "one gap, obs. 3 to 4";
    EXPECT_EQ(n[7], 0);
    EXPECT_EQ(r.scalar(R_N), 5);
    EXPECT_EQ(r.scalar(R_VAL), 5);
    EXPECT_EQ(r.scalar(R_VAL1), 4);
}

} // namespace
} // namespace tarvex::testing
