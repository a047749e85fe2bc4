// GARCH estimates against their optimum computed in R 4.2. The data tests/data/garch/garch.txt
// (600 rows y x) were generated in R: set.seed(20261208); GARCH(1,1) errors (omega 0.1,
// alpha 0.12, beta 0.8) with t(6) innovations; y = 0.2 + 0.3 y(-1) + 0.5 x + e, rounded to 4
// decimals. The log-likelihood is written out in R with the presample start the engine uses
// (h_0 = e_0**2 = mean(e**2) at the parameters):
//   llf <- function(th, y, X, q, p, student) { e <- y - X %*% b; h0 <- mean(e^2);
//     h[t] <- om + sum(al * e[t-i]^2 (h0 before the start)) + sum(be * h[t-j] (h0 before));
//     normal: sum(-0.5*(log(2*pi) + log(h) + e^2/h));
//     t: sum(lgamma((nu+1)/2) - lgamma(nu/2) - 0.5*log(pi*(nu-2)) - 0.5*log(h)
//            - (nu+1)/2*log(1 + e^2/((nu-2)*h))) }
// maximised by optim(method="BFGS", reltol=1e-14) and polished by five Newton steps with the
// gradient by fourth-order central differences (step 1e-4 relative) and the Hessian by central
// differences of that gradient, leaving gradients below 1e-8. R's standard errors come from
// that finite-difference Hessian in double (about 6 digits: the third case is checked against
// them). The first two cases' standard errors come from the Hessian of the same log-likelihood
// in mpmath at 40 digits, by central differences of step 1e-12 at R's optimum:
//   H[i,j] = (f(+hi,+hj) - f(+hi,-hj) - f(-hi,+hj) + f(-hi,-hj)) / (4 hi hj),
//   se = sqrt(diag((-H)**-1)),
// good to the 9 digits to which R's optimum and the engine's agree. fGarch::garchFit(~garch(1,1),
// y, cond.dist="norm") gives 0.287853792 0.2281192857 0.1414513268 0.6746227037, llh 895.820829,
// the same model stopped earlier by its optimiser.
#include "regress/garch/garch_estimate.hpp"
#include "tests/unit/reference_support.hpp"

#include "numeric/qmath.hpp"

#include <fstream>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;

void read_garch_data(std::vector<Real>& y, std::vector<Real>& x) {
    std::ifstream in(std::string(TARVEX_TEST_DATA_DIR) + "/garch/garch.txt");
    std::string a, b;
    while (in >> a >> b) {
        y.push_back(strtoflt128(a.c_str(), nullptr));
        x.push_back(strtoflt128(b.c_str(), nullptr));
    }
}

void expect_fit(const GarchEstimate& e, Real llf, const std::vector<Real>& theta,
                const std::vector<Real>& se, Real se_tolerance = 1e-9Q) {
    ASSERT_EQ(e.end, GarchEnd::CONVERGED);
    const EstimationResults& r = e.result.record;
    EXPECT_TRUE(agrees(r.llf, llf, 1e-13Q));
    ASSERT_EQ(r.coef.size(), theta.size());
    for (std::size_t i = 0; i < theta.size(); ++i) {
        EXPECT_TRUE(agrees(r.coef[i], theta[i], 1e-9Q)) << "parameter " << i;
        EXPECT_TRUE(agrees(r.stderrs[i], se[i], se_tolerance)) << "standard error " << i;
    }
    // The engine's own optimum: its analytic gradient vanishes.
    for (Real g : e.gradient) EXPECT_LT(qm::abs(g), 1e-15Q);
}

TEST(GarchReference, Garch11NormalWithConstant) {
    std::vector<Real> y, x;
    read_garch_data(y, x);
    GarchOrders orders;
    orders.arch = 1, orders.garch = 1;
    const GarchEstimate e = estimate_garch(y, {}, {}, orders, GarchControl{});
    expect_fit(
        e, -895.82082897907594Q,
        {0.28785378267008416Q, 0.22811930594675464Q, 0.14145126863183508Q, 0.67462271912243321Q},
        {0.043922013309173423205Q, 0.11306060384854840937Q, 0.055865411740872148467Q,
         0.12838945382858386655Q});
    EXPECT_EQ(e.result.record.n, 600);
    // The variance at each row follows the recursion from the presample mean square.
    const std::vector<Real>& c = e.result.record.coef;
    EXPECT_TRUE(agrees(e.variance[0], c[1] + (c[2] + c[3]) * e.h0, 1e-30Q));
}

TEST(GarchReference, Garch11StudentWithRegressorAndAr) {
    std::vector<Real> y, x;
    read_garch_data(y, x);
    GarchOrders orders;
    orders.regressors = 1, orders.ar = 1, orders.arch = 1, orders.garch = 1, orders.student = true;
    const GarchEstimate e = estimate_garch(y, {x}, {}, orders, GarchControl{});
    expect_fit(e, -781.99329311264592Q,
               {0.50906185852011676Q, 0.28221304700970229Q, 0.22939818779428772Q,
                0.094372545993398213Q, 0.11497465659619725Q, 0.77874003752633369Q,
                7.5704890670402225Q},
               {0.035129458854605957785Q, 0.035486234073568918199Q, 0.035635916888391337989Q,
                0.049888932543611054605Q, 0.043511805666271371472Q, 0.083584927515342540855Q,
                2.1026917883635782714Q});
    EXPECT_EQ(e.result.record.n, 599); // the first row starts the AR term
}

TEST(GarchReference, Arch2Normal) {
    std::vector<Real> y, x;
    read_garch_data(y, x);
    GarchOrders orders;
    orders.arch = 2;
    const GarchEstimate e = estimate_garch(y, {}, {}, orders, GarchControl{});
    expect_fit(
        e, -898.17357830153321Q,
        {0.29857117587214227Q, 0.89345131730617056Q, 0.20646201326156385Q, 0.070310949174933871Q},
        {0.046221974922391523Q, 0.090256286785059259Q, 0.06793642003101126Q, 0.056216041723137912Q},
        1e-6Q);
}

} // namespace
} // namespace tarvex
