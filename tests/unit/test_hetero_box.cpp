// HETERO's and BOX's estimators against R on 20 observations (the data of the goldens
// tests/golden/hetero/estimates.tvx and tests/golden/box/estimates.tvx). R code, data frame d
// read from those rows (y x1 x2 bx by):
//   HETERO: X <- cbind(x1, x2, 1); Z <- cbind(x1, 1);
//     nll <- function(th) 0.5*sum(log(2*pi) + Z%*%th[4:5] + (y - X%*%th[1:3])^2*exp(-Z%*%th[4:5]))
//     m <- nlm(nll with analytic gradient, optim(st, nll, gr, method="BFGS",
//              control=list(reltol=1e-15))$par, gradtol=1e-14), then three Newton steps with
//     optimHess(th, nll, gr) (gradient left below 2e-14).
//   BOX: bc <- function(v, l) (v^l - 1)/l; the score of the profile likelihood
//     -n/2 sum(e*dbc(y,l))*2/sum(e^2) + sum(log(y)), e the residuals of lm(bc(y,l) ~ x), solved by
//     uniroot(score, c(0.3, 0.6), tol=1e-15) (it agrees with optimize() of the profile and
//     with MASS::boxcox(y ~ x) to its grid); ALLBOX: lm(bc(y,l) ~ bc(x,l)).
#include "regress/box/box_estimate.hpp"
#include "regress/hetero/hetero_estimate.hpp"

#include "numeric/qmath.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

const std::vector<Real> Y = {-0.24Q, 3.53Q, 4.63Q,  3.79Q,  5.21Q, 3.01Q, 3.35Q,
                             2.75Q,  5.74Q, 6.74Q,  7.91Q,  8.12Q, 8.2Q,  6.02Q,
                             10.35Q, 9.83Q, 10.33Q, 12.05Q, 6.05Q, 10.11Q};
const std::vector<Real> X2 = {9.9Q, 4.6Q, 2.0Q, 1.6Q, 3.2Q, 8.1Q, 4.1Q, 9.7Q, 2.5Q, 5.1Q,
                              2.5Q, 3.1Q, 8.0Q, 1.9Q, 5.1Q, 1.8Q, 6.0Q, 1.1Q, 9.9Q, 3.8Q};
const std::vector<Real> BX = {4.6Q, 10.6Q, 15.5Q, 14.2Q, 11.3Q, 13.5Q, 9.9Q, 10.2Q, 7.4Q,  9.1Q,
                              6.5Q, 12.4Q, 17.0Q, 12.8Q, 3.6Q,  11.8Q, 9.4Q, 9.3Q,  12.8Q, 18.7Q};
const std::vector<Real> BY = {6.77Q,  12.36Q, 20.77Q, 17.17Q, 13.7Q,  17.14Q, 13.56Q,
                              13.17Q, 8.97Q,  11.97Q, 7.62Q,  15.83Q, 24.55Q, 18.63Q,
                              5.42Q,  15.46Q, 9.89Q,  11.61Q, 16.69Q, 26.06Q};

// Correct significant digits of `value` against `reference`.
double digits(Real value, Real reference) {
    if (value == reference) return 34;
    return -static_cast<double>(qm::log10(qm::abs((value - reference) / reference)));
}

TEST(HeteroEstimate, MatchesHandCodedLikelihoodInR) {
    HeteroData d;
    d.y = Y;
    std::vector<Real> x1, one(Y.size(), Real(1));
    for (std::size_t i = 0; i < Y.size(); ++i) x1.push_back(Real(int(i) + 1));
    d.x = {x1, X2, one};
    d.z = {x1, one};
    d.z_intercept = 1;
    const HeteroEstimate e = estimate_hetero(d, HeteroControl{});
    ASSERT_EQ(e.end, HeteroEnd::CONVERGED);
    // th after the Newton polish in R (print(th, digits=17)).
    const Real r[] = {0.44248184422831921Q, -0.39235301218811675Q, 3.56579766662899544Q,
                      0.12460154657827402Q, -0.99062504854954969Q};
    for (int j = 0; j < 5; ++j) EXPECT_GT(digits(e.result.record.coef[j], r[j]), 10) << j;
    EXPECT_GT(digits(e.result.record.llf, -31.555682569316726Q), 13); // -nll(th)
    EXPECT_GT(digits(e.llf_constant, -33.478840209211853Q), 13);      // logLik(lm(y ~ x1 + x2))
    EXPECT_GT(digits(e.lr, 3.8463152797902609Q), 10);                 // 2*(-nll(th) - logLik(ols))
    // The LR test as the record's named statistic: one slope of the variance equation.
    ASSERT_EQ(e.result.record.statistics.size(), 1u);
    EXPECT_EQ(e.result.record.statistics[0].name, "LR CONSTANT VARIANCE");
    EXPECT_EQ(e.result.record.statistics[0].value, e.lr);
    EXPECT_EQ(e.result.record.statistics[0].df1, Real(1));
    // sqrt(diag(solve(-H))), H the analytic Hessian at th: -rbind(cbind(t(X) %*% (w*X),
    // t(X) %*% (e*w*Z)), cbind(t(Z) %*% (e*w*X), 0.5*t(Z) %*% (e^2*w*Z))), w = exp(-Z %*% g).
    const Real se[] = {0.0475210477819146Q, 0.0800230812084481Q, 0.6008309343493747Q,
                       0.0627284389529589Q, 0.7306284898261416Q};
    for (int j = 0; j < 5; ++j) EXPECT_GT(digits(e.result.record.stderrs[j], se[j]), 11) << j;
}

TEST(BoxEstimate, MatchesProfileLikelihoodInR) {
    BoxData d;
    d.y = BY;
    d.x = {BX, std::vector<Real>(BY.size(), Real(1))};
    d.transformed = {true, false};
    const BoxEstimate e = estimate_box(d, BoxControl{});
    ASSERT_EQ(e.end, BoxEnd::CONVERGED);
    EXPECT_GT(digits(e.lambda_y, 0.47671895918059221Q), 12);             // uniroot(score)$root
    EXPECT_GT(digits(e.result.record.coef[0], 0.3551044663313489Q), 12); // coef(lm(bc(y,l) ~ x))
    EXPECT_GT(digits(e.result.record.coef[1], 1.3233404878630879Q), 12);
    EXPECT_GT(digits(e.sigma2, 0.049911955047073089Q), 12);           // sum(resid^2)/n
    EXPECT_GT(digits(e.result.record.llf, -25.503987554008901Q), 13); // prof(l)
    EXPECT_GT(digits(e.llf_linear, -30.147001552333393Q), 13);        // prof(1)
    EXPECT_GT(digits(e.llf_log, -29.673847213506107Q), 13);           // prof(0), bc = log(v)
    // The two profile log-likelihoods as the record's named statistics, without a law.
    ASSERT_EQ(e.result.record.statistics.size(), 2u);
    EXPECT_EQ(e.result.record.statistics[0].value, e.llf_linear);
    EXPECT_EQ(e.result.record.statistics[1].value, e.llf_log);
    EXPECT_FALSE(e.result.record.statistics[1].has_pvalue);
    // sqrt(diag(solve(optimHess(th, nll, gr, control=list(ndeps=rep(1e-6,4)))))), th = (a, b,
    // l, s2), gr the analytic gradient: differences of the gradient, 8 digits.
    EXPECT_GT(digits(e.result.record.stderrs[1], 0.2880314980038Q), 8);
    EXPECT_GT(digits(e.result.record.stderrs[0], 0.1405568605596Q), 8);
    EXPECT_GT(digits(e.result.record.stderrs[2], 0.1521795951162Q), 8);
    EXPECT_GT(digits(e.result.record.stderrs[3], 0.0423850954354Q), 8);
    // The predictions carry x'b back to y's scale, (1 + lambda x'b)**(1/lambda); the residuals
    // are y minus them.
    const EstimationResults& r = e.result.record;
    ASSERT_EQ(r.predicted.size(), BY.size());
    ASSERT_EQ(r.residuals.size(), BY.size());
    for (std::size_t i = 0; i < BY.size(); ++i) {
        const Real xb = r.coef[0] * BX[i] + r.coef[1];
        EXPECT_GT(digits(r.predicted[i], qm::pow(1 + e.lambda_y * xb, 1 / e.lambda_y)), 28) << i;
        EXPECT_EQ(r.residuals[i], BY[i] - r.predicted[i]) << i;
    }

    d.regressors = BoxRegressors::SAME_LAMBDA; // ALLBOX
    const BoxEstimate a = estimate_box(d, BoxControl{});
    ASSERT_EQ(a.end, BoxEnd::CONVERGED);
    EXPECT_GT(digits(a.lambda_y, 0.79763571630334584Q), 12); // uniroot(score2)$root
    EXPECT_GT(digits(a.result.record.coef[0], 1.30548267079216873Q),
              12); // coef(lm(bc(y,l) ~ bc(x,l)))
    EXPECT_GT(digits(a.result.record.coef[1], -0.22679568932935712Q), 11);
    EXPECT_GT(digits(a.sigma2, 0.41480594487071787Q), 12);
    EXPECT_GT(digits(a.result.record.llf, -30.059555270550241Q), 13); // prof2(l)
}

TEST(BoxCox, SeriesAndClosedFormAgreeAtTheirBorder) {
    // T(v, l) = (v**l - 1)/l and its l-derivatives on both sides of |l log v| = 0.5.
    const Real log_v = qm::log(Real(7));
    const Real below = 0.5Q / log_v * (1 - 1e-30Q), above = 0.5Q / log_v * (1 + 1e-30Q);
    const BoxCoxValue s = box_cox(log_v, below), c = box_cox(log_v, above);
    EXPECT_GT(digits(s.value, c.value), 28);
    EXPECT_GT(digits(s.d1, c.d1), 27);
    EXPECT_GT(digits(s.d2, c.d2), 26);
    EXPECT_EQ(box_cox(log_v, 0).value, log_v);
    Real v = 0;
    ASSERT_TRUE(box_cox_inverse(box_cox(log_v, 0.3Q).value, 0.3Q, v));
    EXPECT_GT(digits(v, Real(7)), 32);
}

} // namespace
} // namespace tarvex
