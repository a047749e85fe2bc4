// GME and FLS against independent solutions of the same problems.
// GME: the dual minimised by Newton's method in mpmath at 40 digits
// (tests/data/gme/gme_reference.py, values printed to 20 digits). FLS: the full (TK x TK)
// normal equations built and solved in R 4.2 (tests/data/fls/fls_reference.R, print(x,
// digits=15)). Data: y = (1.2 2.9 3.1 2.0 4.4 3.0 6.2 4.1 6.0 5.3), x1 = 1..10,
// x2 = (2.1 3.5 1.2 4.8 3.3 5.9 2.2 6.1 4.4 7.0).
#include "numeric/qmath.hpp"
#include "regress/fls/fls_estimate.hpp"
#include "regress/gme/gme_estimate.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

const std::vector<Real> Y10 = {1.2Q, 2.9Q, 3.1Q, 2.0Q, 4.4Q, 3.0Q, 6.2Q, 4.1Q, 6.0Q, 5.3Q};
const std::vector<Real> X1 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const std::vector<Real> X2 = {2.1Q, 3.5Q, 1.2Q, 4.8Q, 3.3Q, 5.9Q, 2.2Q, 6.1Q, 4.4Q, 7.0Q};
const std::vector<Real> ONES(10, Real(1));
const Real SIGMA_Y = 1.6745148551147583056Q; // sd(y)

GmeData gme_data(std::vector<Real> esupport) {
    GmeData d;
    d.y = Y10;
    d.x = {X1, X2, ONES};
    d.points = 5;
    for (int c = 0; c < 3; ++c)
        for (Real z : {-20, -10, 0, 10, 20}) d.bsupport.push_back(z);
    d.esupport = std::move(esupport);
    return d;
}

TEST(GmeReference, CommonSupportThreeSigmaErrors) {
    // solve(esupport(3)): v = (-3 s, 0, 3 s)
    const GmeEstimate e = estimate_gme(gme_data({-3 * SIGMA_Y, 0, 3 * SIGMA_Y}), {});
    ASSERT_EQ(e.end, GmeEnd::CONVERGED);
    EXPECT_TRUE(agrees(e.beta[0], 0.68623345245706735653Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.beta[1], -0.52645156520188925796Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.beta[2], 2.1620541299684186648Q, 1e-18Q));
    EXPECT_TRUE(agrees(qm::sqrt(e.cov[0]), 0.07723712385370955867Q, 1e-18Q));
    EXPECT_TRUE(agrees(qm::sqrt(e.cov[4]), 0.12170840547115437007Q, 1e-18Q));
    EXPECT_TRUE(agrees(qm::sqrt(e.cov[8]), 0.41481594847578502683Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.entropy_beta, 0.99718607315913253203Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.entropy_k[2], 0.99272047215591004952Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.entropy_errors, 0.99254979447023555016Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.entropy, 15.719001228880850687Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.sigma2_beta, 0.27409138501741383144Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.sse, 2.7356565321553561724Q, 1e-18Q));
}

TEST(GmeReference, FivePointErrorsAndOwnSupports) {
    // solve(esupport(5)): v = 3 s (-1, -1/2, 0, 1/2, 1)
    const Real s = SIGMA_Y;
    GmeEstimate e = estimate_gme(gme_data({-3 * s, -1.5Q * s, 0, 1.5Q * s, 3 * s}), {});
    ASSERT_EQ(e.end, GmeEnd::CONVERGED);
    EXPECT_TRUE(agrees(e.beta[1], -0.53125339679840021662Q, 1e-18Q));
    EXPECT_TRUE(agrees(qm::sqrt(e.cov[8]), 0.4140817736671387857Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.entropy_errors, 0.99323553716971583269Q, 1e-18Q));
    // One support row per coefficient (3 points each) and ESUPPORT = (-4, 0, 4).
    GmeData d = gme_data({-4, 0, 4});
    d.points = 3;
    d.bsupport = {-1, 0, 3, -4, 0, 2, -5, 0, 10};
    e = estimate_gme(d, {});
    ASSERT_EQ(e.end, GmeEnd::CONVERGED);
    EXPECT_TRUE(agrees(e.beta[0], 0.6896767030788303338Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.beta[2], 2.2120200288054747526Q, 1e-18Q));
    EXPECT_TRUE(agrees(qm::sqrt(e.cov[4]), 0.1214832632016733752Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.entropy_k[1], 0.99886023543769228025Q, 1e-18Q));
    EXPECT_TRUE(agrees(e.entropy, 14.147888097617688203Q, 1e-18Q));
}

TEST(GmeReference, SupportsThatCannotFitHaveNoOptimum) {
    // Every coefficient within +-0.01 and errors within +-0.1 cannot reproduce y near 5.
    GmeData d = gme_data({-0.1Q, 0, 0.1Q});
    for (Real& z : d.bsupport) z /= 2000;
    EXPECT_EQ(estimate_gme(d, {}).end, GmeEnd::NO_OPTIMUM);
}

FlsData fls_data() {
    FlsData d;
    d.y = Y10;
    d.x = {X2, ONES};
    return d;
}

TEST(FlsReference, PathAndCostsAgainstTheFullSystem) {
    // fls(1)
    FlsPath p = solve_fls(fls_data(), 1);
    ASSERT_TRUE(p.identified);
    EXPECT_TRUE(agrees(p.measurement_cost, 0.447501412456145Q, 1e-12Q));
    EXPECT_TRUE(agrees(p.dynamic_cost, 1.66544704968619Q, 1e-12Q));
    EXPECT_TRUE(agrees(p.b[0], -1.0708563151609645Q, 1e-13Q));
    EXPECT_TRUE(agrees(p.b[1], 3.76396279545438Q, 1e-13Q));
    EXPECT_TRUE(agrees(p.b[8], -0.1888311730657518Q, 1e-13Q));
    EXPECT_TRUE(agrees(p.b[19], 5.51026937435234Q, 1e-13Q));
    EXPECT_TRUE(agrees(p.residuals[0], -0.3151645336163498Q, 1e-12Q));
    // fls(10) and fls(0.1): the frontier trades r_M against r_D
    p = solve_fls(fls_data(), 10);
    EXPECT_TRUE(agrees(p.measurement_cost, 4.94062717219746Q, 1e-12Q));
    EXPECT_TRUE(agrees(p.dynamic_cost, 0.304081433039918Q, 1e-12Q));
    EXPECT_TRUE(agrees(p.b[18], 0.028991404483690Q, 1e-11Q));
    p = solve_fls(fls_data(), 0.1Q);
    EXPECT_TRUE(agrees(p.measurement_cost, 0.00730930517075799Q, 1e-11Q));
    EXPECT_TRUE(agrees(p.dynamic_cost, 2.55381958140899Q, 1e-12Q));
    EXPECT_TRUE(agrees(p.residuals[9], -0.00183238604337799Q, 1e-11Q));
}

TEST(FlsReference, DependentRegressorsAreRefused) {
    FlsData d = fls_data();
    d.x.push_back(X2); // x2 twice
    for (Real& v : d.x[2]) v *= 2;
    EXPECT_FALSE(solve_fls(d, 1).identified);
}

} // namespace
} // namespace tarvex::testing
