// BAYES's sampler against an independent replay and against closed forms.
// Replay: tests/unit/bayes_reference.py recomputes the least-squares fit, the chi-square
// quantiles, the Cholesky factor, every draw, the acceptance and the moments at 50 digits
// (mpmath) from the engine's own uniform and normal numbers (seed 20261208), written by this
// test when TARVEX_BAYES_DRAWS names a file. Closed forms: with b_j > c the only restriction the
// marginal posterior of b_j is a t(n - k) truncated at c, so P = pt((b_j - c)/se_j, n - k)
// (R 4.2) and its mean has the closed form in the script; the sampler must come within a few
// of its own numerical standard errors of both. Data: y = (1.2 2.9 3.1 2.0 4.4 3.0 6.2 4.1 6.0
// 5.3), x1 = 1..10, x2 = (2.1 3.5 1.2 4.8 3.3 5.9 2.2 6.1 4.4 7.0), with an intercept.
#include "numeric/qmath.hpp"
#include "regress/bayes/bayes_sampler.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <quadmath.h>

namespace tarvex::testing {
namespace {

const std::vector<Real> BY = {1.2Q, 2.9Q, 3.1Q, 2.0Q, 4.4Q, 3.0Q, 6.2Q, 4.1Q, 6.0Q, 5.3Q};
const std::vector<Real> BX2 = {2.1Q, 3.5Q, 1.2Q, 4.8Q, 3.3Q, 5.9Q, 2.2Q, 6.1Q, 4.4Q, 7.0Q};
constexpr std::int64_t REPLAY_SEED = 20261208;
constexpr long long REPLAY_DRAWS = 40;

// The replay (bayes_reference.py, printed to 30 digits).
// x2 > -0.5, 40 draws:
constexpr long long ACCEPTED_ONE = 11;
const Real P_ONE = 0.275Q;
const Real PNSE_ONE = 0.0706001062322146934600660241307Q;
const Real MEAN0_ONE = 0.581305859544846564874095483571Q;
const Real MEAN1_ONE = -0.376661141743692211282624599679Q;
const Real MEAN2_ONE = 2.20177287271566388472865613571Q;
const Real SD1_ONE = 0.098182916573415156049168921421Q;
const Real SD2_ONE = 0.527194205127513417316896881088Q;
const Real NSE0_ONE = 0.0237728705994056858049174096738Q;
const Real NSE1_ONE = 0.0296032631906167959318407162593Q;
// x1 + x2 < 0.2 and x1 >= 0.6, 40 antithetic pairs:
constexpr long long ACCEPTED_TWO = 42;
const Real PNSE_TWO = 0.0466033797057681214691681339016Q;
const Real MEAN0_TWO = 0.728083619425895338085414904828Q;
const Real MEAN1_TWO = -0.652987801181690709447933614543Q;
const Real SD0_TWO = 0.0725126192973769871190137216394Q;
const Real NSE1_TWO = 0.0188381513694511399128966300298Q;
// The truncated-t means E[b_j | b_j > c] (closed form in the script).
const Real TRUNC_MEAN_X2 = -0.382596616981789807415000070031Q; // b_x2 > -0.5
const Real TRUNC_MEAN_X1 = 0.778271581204757602137589119788Q;  // b_x1 > 0.7

BayesModel bayes_test_model() {
    std::vector<Real> x;
    for (int t = 1; t <= 10; ++t) x.push_back(t);
    x.insert(x.end(), BX2.begin(), BX2.end());
    for (int t = 0; t < 10; ++t) x.push_back(1);
    const LsSolution ls = solve_least_squares(OlsMethod::GS, x, BY, 10, 3, 0);
    BayesModel m;
    m.coef = ls.coef;
    m.df = 7;
    for (Real a : ls.xtx_inv) m.scale.push_back(ls.sse / 7 * a);
    return m;
}

// c + g'b > 0 for one coefficient: b_j > c (sign +1) or b_j < c (sign -1).
LinearInequality bound(int j, Real c, Real sign, bool inclusive = false) {
    LinearInequality r;
    r.gradient.assign(3, 0);
    r.gradient[std::size_t(j)] = sign;
    r.constant = -sign * c;
    r.inclusive = inclusive;
    return r;
}

// The uniform and normals of every draw, for the replay.
void write_replay_draws() {
    const char* path = std::getenv("TARVEX_BAYES_DRAWS");
    if (path == nullptr) return;
    expr::RandomGenerator rng;
    rng.seed(REPLAY_SEED);
    FILE* f = std::fopen(path, "w");
    ASSERT_NE(f, nullptr);
    char text[64];
    for (long long r = 0; r < REPLAY_DRAWS; ++r) {
        for (int i = 0; i < 4; ++i) {
            quadmath_snprintf(text, sizeof text, "%.36Qg", i == 0 ? rng.uniform() : rng.normal());
            ASSERT_GT(std::fprintf(f, i == 0 ? "%s" : " %s", text), 0);
        }
        ASSERT_GT(std::fprintf(f, "\n"), 0);
    }
    ASSERT_EQ(std::fclose(f), 0);
}

TEST(BayesReference, ReplayOfTheDrawsAtFiftyDigits) {
    write_replay_draws();
    BayesModel m = bayes_test_model();
    m.restrictions = {bound(1, -0.5Q, 1)};
    expr::RandomGenerator rng;
    rng.seed(REPLAY_SEED);
    BayesPosterior p = sample_posterior(m, REPLAY_DRAWS, false, rng);
    EXPECT_EQ(p.tried, REPLAY_DRAWS);
    EXPECT_EQ(p.accepted, ACCEPTED_ONE);
    EXPECT_TRUE(agrees(p.probability, P_ONE, 1e-25Q));
    EXPECT_TRUE(agrees(p.probability_nse, PNSE_ONE, 1e-25Q));
    EXPECT_TRUE(agrees(p.mean[0], MEAN0_ONE, 1e-25Q));
    EXPECT_TRUE(agrees(p.mean[1], MEAN1_ONE, 1e-25Q));
    EXPECT_TRUE(agrees(p.mean[2], MEAN2_ONE, 1e-25Q));
    EXPECT_TRUE(agrees(p.sd[1], SD1_ONE, 1e-25Q));
    EXPECT_TRUE(agrees(p.sd[2], SD2_ONE, 1e-25Q));
    EXPECT_TRUE(agrees(p.mean_nse[0], NSE0_ONE, 1e-25Q));
    EXPECT_TRUE(agrees(p.mean_nse[1], NSE1_ONE, 1e-25Q));

    // Two restrictions, each draw with its antithetic pair.
    m.restrictions = {bound(0, 0.2Q, -1), bound(0, 0.6Q, 1, true)};
    m.restrictions[0].gradient = {-1, -1, 0}; // x1 + x2 < 0.2
    rng.seed(REPLAY_SEED);
    p = sample_posterior(m, REPLAY_DRAWS, true, rng);
    EXPECT_EQ(p.tried, 2 * REPLAY_DRAWS);
    EXPECT_EQ(p.accepted, ACCEPTED_TWO);
    EXPECT_TRUE(agrees(p.probability_nse, PNSE_TWO, 1e-25Q));
    EXPECT_TRUE(agrees(p.mean[0], MEAN0_TWO, 1e-25Q));
    EXPECT_TRUE(agrees(p.mean[1], MEAN1_TWO, 1e-25Q));
    EXPECT_TRUE(agrees(p.sd[0], SD0_TWO, 1e-25Q));
    EXPECT_TRUE(agrees(p.mean_nse[1], NSE1_TWO, 1e-25Q));
}

// Within `bound` numerical standard errors (a fixed seed: the test cannot flicker).
::testing::AssertionResult within_nse(Real got, Real want, Real nse, Real bound) {
    if (qm::abs(got - want) <= bound * nse) return ::testing::AssertionSuccess();
    char a[48], b[48], c[48];
    quadmath_snprintf(a, sizeof a, "%.15Qg", got);
    quadmath_snprintf(b, sizeof b, "%.15Qg", want);
    quadmath_snprintf(c, sizeof c, "%.6Qg", nse);
    return ::testing::AssertionFailure() << a << " vs " << b << " (nse " << c << ")";
}

TEST(BayesReference, OneBoundApproachesTheTruncatedT) {
    BayesModel m = bayes_test_model();
    expr::RandomGenerator rng;
    rng.seed(7);
    // b_x2 > -0.5: pt((b + 0.5)/se, 7) = 0.373793812489509 (R); E[b | b > -0.5] from the script.
    m.restrictions = {bound(1, -0.5Q, 1)};
    BayesPosterior p = sample_posterior(m, 4000, false, rng);
    EXPECT_TRUE(within_nse(p.probability, 0.373793812489509Q, p.probability_nse, 4));
    EXPECT_TRUE(within_nse(p.mean[1], TRUNC_MEAN_X2, p.mean_nse[1], 4));
    EXPECT_GT(p.mean_nse[1], 0);
    EXPECT_LT(p.mean_nse[1], 0.02Q);
    // b_x1 > 0.7 with antithetic pairs: pt((b - 0.7)/se, 7) = 0.437552924409637 (R).
    m.restrictions = {bound(0, 0.7Q, 1)};
    p = sample_posterior(m, 2000, true, rng);
    EXPECT_EQ(p.tried, 4000);
    EXPECT_TRUE(within_nse(p.probability, 0.437552924409637Q, p.probability_nse, 4));
    EXPECT_TRUE(within_nse(p.mean[0], TRUNC_MEAN_X1, p.mean_nse[0], 4));
    // No restriction: every draw is kept, the mean is near b^ and the sd near the t scale
    // se sqrt(7/5).
    m.restrictions.clear();
    p = sample_posterior(m, 4000, false, rng);
    EXPECT_EQ(p.accepted, 4000);
    EXPECT_EQ(p.probability, 1);
    EXPECT_EQ(p.probability_nse, 0);
    EXPECT_TRUE(within_nse(p.mean[2], m.coef[2], p.mean_nse[2], 4));
    EXPECT_LT(qm::abs(p.sd[2] / qm::sqrt(m.scale[8] * 7 / 5) - 1), 0.05Q);
}

} // namespace
} // namespace tarvex::testing
