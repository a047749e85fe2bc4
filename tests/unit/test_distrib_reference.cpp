// The families of DISTRIB against mpmath at 50 digits (mp.mp.dps = 50; the expression beside
// each value), to 30 significant digits: densities, distribution functions, upper tails and
// quantiles, the discrete families' steps, and what lies outside a support or a domain. The
// command itself is run once to check that it leaves the values in $PDF, $CDF and $CRIT.
#include "test_support.hpp"

#include "numeric/distribution_family.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using dist::Family;
using dist::FamilyParameters;
using testing::agrees;
using testing::ScriptRun;

const Real DIGITS_30 = 1e-30Q;

TEST(DistribFamilies, ContinuousDensitiesAndTailsAgreeWithMpmathTo30Digits) {
    // mp.npdf(2.5, 1, 2), mp.ncdf(2.5, 1, 2)
    const FamilyParameters normal{Family::NORMAL, 1, 4};
    EXPECT_TRUE(agrees(dist::family_density(normal, 2.5Q), 0.150568716077402202465835603282340729Q,
                       DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_lower(normal, 2.5Q), 0.773372647623131800672937830616523588Q,
                       DIGITS_30));
    // t, 5 df, at 2: the density formula; 1 - betainc(5/2, 1/2, 0, 5/9, regularized)/2
    const FamilyParameters t{Family::STUDENT_T, 5, 0};
    EXPECT_TRUE(
        agrees(dist::family_density(t, 2), 0.0650903103262164662530189918979243772Q, DIGITS_30));
    EXPECT_TRUE(
        agrees(dist::family_lower(t, 2), 0.949030260585070821877319447078856285Q, DIGITS_30));
    EXPECT_TRUE(
        agrees(dist::family_upper(t, 2), 0.0509697394149291781226805529211437153Q, DIGITS_30));
    // chi-square, 3 df, at 7.5: gammainc(3/2, 0, 3.75, regularized) and its complement
    const FamilyParameters chi{Family::CHI_SQUARE, 3, 0};
    EXPECT_TRUE(agrees(dist::family_density(chi, 7.5Q), 0.025694276326046122376808480170962894Q,
                       DIGITS_30));
    EXPECT_TRUE(
        agrees(dist::family_lower(chi, 7.5Q), 0.942441548027363593032784171175720024Q, DIGITS_30));
    EXPECT_TRUE(
        agrees(dist::family_upper(chi, 7.5Q), 0.0575584519726364069672158288242799755Q, DIGITS_30));
    // F(3, 10) at 2.5: betainc(3/2, 5, 0, 7.5/17.5, regularized)
    const FamilyParameters f{Family::FISHER_F, 3, 10};
    EXPECT_TRUE(
        agrees(dist::family_density(f, 2.5Q), 0.0925481716904952516014007780116936665Q, DIGITS_30));
    EXPECT_TRUE(
        agrees(dist::family_lower(f, 2.5Q), 0.880960437341721845736061193724947666Q, DIGITS_30));
    // gamma, shape 2.5 scale 2, at 3: x^(a-1) e^(-x/2) / (gamma(a) 2^a); gammainc(2.5, 0, 1.5)
    const FamilyParameters gamma{Family::GAMMA, 2.5Q, 2};
    EXPECT_TRUE(
        agrees(dist::family_density(gamma, 3), 0.154180329803769276811220557781393646Q, DIGITS_30));
    EXPECT_TRUE(
        agrees(dist::family_lower(gamma, 3), 0.300014164121372490900198448375331779Q, DIGITS_30));
    // beta(2, 3) at 0.3: 12 x (1-x)^2 = 1.764 and betainc(2, 3, 0, 0.3) = 0.3483, exactly
    const FamilyParameters beta{Family::BETA, 2, 3};
    EXPECT_TRUE(agrees(dist::family_density(beta, 0.3Q), 1.764Q, DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_lower(beta, 0.3Q), 0.3483Q, DIGITS_30));
    // A far tail is computed directly, not as 1 - P: mp.ncdf(-40)
    EXPECT_TRUE(agrees(dist::family_upper({Family::NORMAL, 0, 1}, 40),
                       3.65589354091502970374898580268828367e-350Q, DIGITS_30));
}

TEST(DistribFamilies, QuantilesAgreeWithMpmathTo30Digits) {
    // findroot of each distribution function at the probability
    EXPECT_TRUE(agrees(dist::family_quantile({Family::NORMAL, 0, 1}, 0.975Q),
                       1.95996398454005423552459443052055153Q, DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_quantile({Family::STUDENT_T, 5, 0}, 0.975Q),
                       2.57058183563631551469624621743963351Q, DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_quantile({Family::CHI_SQUARE, 3, 0}, 0.95Q),
                       7.81472790325117995526899487352045027Q, DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_quantile({Family::FISHER_F, 3, 10}, 0.95Q),
                       3.70826481904684448538819043857361845Q, DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_quantile({Family::GAMMA, 2.5Q, 2}, 0.5Q),
                       4.35146019109552731715810777662457468Q, DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_quantile({Family::BETA, 2, 3}, 0.5Q),
                       0.385727568132389548275502751157353267Q, DIGITS_30));
}

TEST(DistribFamilies, DiscreteFamiliesAreStepsOnTheWholeNumbers) {
    // binomial(10, 0.3): binomial(10,4) 0.3^4 0.7^6 = 0.200120949 and the sum to 4 = 0.8497316674
    const FamilyParameters binomial{Family::BINOMIAL, 10, 0.3Q};
    EXPECT_TRUE(agrees(dist::family_density(binomial, 4), 0.200120949Q, DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_lower(binomial, 4), 0.8497316674Q, DIGITS_30));
    EXPECT_TRUE(agrees(dist::family_lower(binomial, 4.75Q), 0.8497316674Q, DIGITS_30));
    EXPECT_EQ(dist::family_density(binomial, 4.5Q), 0);
    EXPECT_EQ(dist::family_lower(binomial, 11), 1);
    // The smallest k with P(X <= k) >= p
    EXPECT_EQ(dist::family_quantile(binomial, 0.8497316674Q - 1e-20Q), 4);
    EXPECT_EQ(dist::family_quantile(binomial, 0.85Q), 5);
    // Poisson(3.5) at 2: e^-3.5 3.5^2/2 and the sum to 2
    const FamilyParameters poisson{Family::POISSON, 3.5Q, 0};
    EXPECT_TRUE(agrees(dist::family_density(poisson, 2), 0.184958973461700817031191040727171551Q,
                       DIGITS_30));
    EXPECT_TRUE(
        agrees(dist::family_lower(poisson, 2), 0.320847198862134070360229356363460854Q, DIGITS_30));
    EXPECT_EQ(dist::family_quantile(poisson, 0.32Q), 2);
}

TEST(DistribFamilies, OutsideTheSupportOrTheDomain) {
    EXPECT_EQ(dist::family_lower({Family::CHI_SQUARE, 3, 0}, -1), 0);
    EXPECT_EQ(dist::family_upper({Family::CHI_SQUARE, 3, 0}, -1), 1);
    EXPECT_EQ(dist::family_density({Family::BETA, 2, 3}, 1.5Q), 0);
    EXPECT_EQ(dist::family_lower({Family::BETA, 2, 3}, 1.5Q), 1);
    EXPECT_FALSE(dist::parameters_valid({Family::NORMAL, 0, 0}));
    EXPECT_FALSE(dist::parameters_valid({Family::BINOMIAL, 2.5Q, 0.5Q}));
    EXPECT_FALSE(dist::parameters_valid({Family::BINOMIAL, 3, 1.5Q}));
    EXPECT_TRUE(isnanq(dist::family_quantile({Family::NORMAL, 0, 1}, 1.5Q)));
    EXPECT_TRUE(isnanq(dist::family_lower({Family::STUDENT_T, -1, 0}, 1)));
}

TEST(DistribCommand, LeavesTheLastValuesInTheResultScalars) {
    ScriptRun r("SAMPLE 1 1\nGENR X = 7.5\nGENR P = 0.95\nDISTRIB X / TYPE=CHISQ DF=3\n"
                "GENR C1 = $CDF\nGENR P1 = $PDF\n"
                "DISTRIB P / TYPE=F DF1=3 DF2=10 INVERSE\nGENR Q1 = $CRIT\nSTOP\n");
    EXPECT_TRUE(agrees(r.values("C1").at(0), 0.942441548027363593032784171175720024Q, DIGITS_30))
        << r.output;
    EXPECT_TRUE(agrees(r.values("P1").at(0), 0.025694276326046122376808480170962894Q, DIGITS_30));
    EXPECT_TRUE(agrees(r.values("Q1").at(0), 3.70826481904684448538819043857361845Q, DIGITS_30));
}

} // namespace
} // namespace tarvex
