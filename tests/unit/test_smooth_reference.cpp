// SMOOTH's kernels against R 4.2. Exponential smoothing against stats::HoltWinters (its start
// values reproduced) on AirPassengers (tests/data/smooth/airpassengers.txt) and on
//   z <- round(50 + 5*sin((1:30)*1.7) + ((1:30) %% 7), 3)
// With the parameters given every value is a closed form (R's digits, 15). With the parameters
// estimated, R's optimiser stops early (optim L-BFGS-B, optimize): its SSE was polished to the
// optimum by 8 Newton steps in R on central differences (h 1e-6, 1e-4) of HoltWinters(...)$SSE,
// which leaves the parameters good to about 7 digits and the SSE (flat at the optimum) to 12.
// The Hodrick-Prescott trend against the exact rational solution of (I + lambda D'D) t = z
// (Python fractions), which mFilter::hpfilter(z, freq=1600, type="lambda") matches to 15 digits.
#include "numeric/qmath.hpp"
#include "regress/smooth/holt_winters.hpp"
#include "regress/smooth/hp_filter.hpp"

#include "ols_engine.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvex::testing {
namespace {

std::vector<Real> air_passengers() {
    const std::vector<std::vector<Real>> c = read_table("smooth/airpassengers.txt");
    return c.empty() ? std::vector<Real>{} : c[0];
}

const std::vector<Real> Z30 = {
    55.958Q, 50.722Q, 48.371Q, 56.471Q, 58.992Q, 52.501Q, 46.909Q, 55.296Q, 53.984Q, 48.193Q,
    53.255Q, 59.999Q, 55.457Q, 45.141Q, 52.795Q, 56.396Q, 50.072Q, 50.358Q, 58.867Q, 58.645Q,
    45.452Q, 49.527Q, 56.928Q, 53.203Q, 49.02Q,  56.08Q,  60.702Q, 47.708Q, 46.888Q, 55.351Q};

SmoothingChoice given(Real alpha, Real beta, Real gamma) {
    SmoothingChoice c;
    c.value = {alpha, beta, gamma};
    c.alpha_given = c.beta_given = c.gamma_given = true;
    return c;
}

SmoothingChoice estimated() {
    return {};
}

TEST(SmoothReference, HoltWintersWithGivenParameters) {
    const std::vector<Real> x = air_passengers();
    ASSERT_EQ(x.size(), 144u);
    // HoltWinters(AirPassengers, alpha=0.3, beta=0.05, gamma=0.2, seasonal="multiplicative")
    const SmoothingFit m =
        fit_smoothing(x, SmoothMethod::MULTIPLICATIVE, 12, given(0.3Q, 0.05Q, 0.2Q), 100);
    EXPECT_TRUE(agrees(m.path.sse, 32523.7616164221Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.path.final_level, 493.949422215904747Q, 1e-14Q));
    EXPECT_TRUE(agrees(m.path.final_trend, 3.632484320847714Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.path.final_season[0], 0.912476323068787Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.path.final_season[11], 0.892766527297206Q, 1e-13Q));
    // head(fitted(m), 3): xhat, and the level, trend and season it was made from: row 1 holds
    // the start values (decompose on the first two years), row k+1 the states after row k.
    EXPECT_TRUE(agrees(m.path.fitted[0], 111.081808708867Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.start.level, 124.316919191919Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.start.trend, 1.14568764568765Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.start.season[0], 0.885377815022177Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.start.season[2], 1.056047900051293Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.path.level[0], 126.790240495686Q, 1e-13Q));
    EXPECT_TRUE(agrees(m.path.trend[1], 1.26757010623854Q, 1e-13Q));
    // predict(m, 3): no standard errors for multiplicative seasons
    const SmoothingForecast mf = smoothing_forecast(x, SmoothMethod::MULTIPLICATIVE, 12, m, 3);
    EXPECT_TRUE(agrees(mf.value[2], 516.655249912642Q, 1e-13Q));
    EXPECT_TRUE(mf.se.empty());

    // HoltWinters(AirPassengers, alpha=0.3, beta=0.05, gamma=0.2); predict(m2, 3,
    // prediction.interval=TRUE), se = (upr - fit)/qnorm(0.975)
    const SmoothingFit a =
        fit_smoothing(x, SmoothMethod::ADDITIVE, 12, given(0.3Q, 0.05Q, 0.2Q), 100);
    EXPECT_TRUE(agrees(a.path.sse, 92402.9671029133Q, 1e-13Q));
    EXPECT_TRUE(agrees(a.path.final_level, 491.076178993789142Q, 1e-14Q));
    EXPECT_TRUE(agrees(a.path.final_season[5], 48.904675696446141Q, 1e-13Q));
    const SmoothingForecast af = smoothing_forecast(x, SmoothMethod::ADDITIVE, 12, a, 3);
    EXPECT_TRUE(agrees(af.value[0], 471.972386076997Q, 1e-13Q));
    EXPECT_TRUE(agrees(af.value[2], 509.345191366030Q, 1e-13Q));
    EXPECT_TRUE(agrees(af.se[0], 26.5373325388746Q, 1e-12Q));
    EXPECT_TRUE(agrees(af.se[2], 29.1684399794211Q, 1e-12Q));

    // y <- AirPassengers[1:30]: HoltWinters(y, alpha=0.4, beta=FALSE, gamma=FALSE) and
    // HoltWinters(y, alpha=0.4, beta=0.2, gamma=FALSE), with predict(..., prediction.interval=TRUE)
    const std::vector<Real> y(x.begin(), x.begin() + 30);
    const SmoothingFit s = fit_smoothing(y, SmoothMethod::SIMPLE, 0, given(0.4Q, 0, 0), 100);
    EXPECT_TRUE(agrees(s.path.sse, 8220.62722683046Q, 1e-13Q));
    EXPECT_TRUE(agrees(s.path.final_level, 169.992856467218Q, 1e-13Q));
    const SmoothingForecast sf = smoothing_forecast(y, SmoothMethod::SIMPLE, 0, s, 2);
    EXPECT_TRUE(agrees(sf.se[1], 17.6221600881395Q, 1e-12Q));
    const SmoothingFit h = fit_smoothing(y, SmoothMethod::HOLT, 0, given(0.4Q, 0.2Q, 0), 100);
    EXPECT_TRUE(agrees(h.path.sse, 9839.68016244588Q, 1e-13Q));
    EXPECT_TRUE(agrees(h.path.final_trend, 4.22145616470316Q, 1e-13Q));
    const SmoothingForecast hf = smoothing_forecast(y, SmoothMethod::HOLT, 0, h, 3);
    EXPECT_TRUE(agrees(hf.value[2], 186.632995396828Q, 1e-13Q));
    EXPECT_TRUE(agrees(hf.se[1], 21.1564048527697Q, 1e-12Q));
    EXPECT_TRUE(agrees(hf.se[2], 23.6996731162677Q, 1e-12Q));
}

TEST(SmoothReference, ParametersChosenByLeastSquares) {
    const std::vector<Real> x = air_passengers();
    ASSERT_EQ(x.size(), 144u);
    // HoltWinters(AirPassengers): gamma on its bound 1, alpha and beta polished.
    const SmoothingFit a = fit_smoothing(x, SmoothMethod::ADDITIVE, 12, estimated(), 100);
    ASSERT_TRUE(a.converged);
    EXPECT_TRUE(a.parameters.value.gamma == 1);
    EXPECT_TRUE(agrees(a.parameters.value.alpha, 0.2479617783484194Q, 1e-7Q));
    EXPECT_TRUE(agrees(a.parameters.value.beta, 0.0345187070963506Q, 1e-6Q));
    EXPECT_TRUE(agrees(a.path.sse, 21860.1845115097Q, 1e-12Q));
    // HoltWinters(AirPassengers, seasonal="multiplicative"), polished: all inside (0,1).
    const SmoothingFit m = fit_smoothing(x, SmoothMethod::MULTIPLICATIVE, 12, estimated(), 100);
    ASSERT_TRUE(m.converged);
    EXPECT_TRUE(agrees(m.parameters.value.alpha, 0.2756034899307946Q, 1e-7Q));
    EXPECT_TRUE(agrees(m.parameters.value.beta, 0.0326774160467889Q, 1e-6Q));
    EXPECT_TRUE(agrees(m.parameters.value.gamma, 0.8707616200604992Q, 1e-7Q));
    EXPECT_TRUE(agrees(m.path.sse, 16570.7777500773Q, 1e-12Q));
    // HoltWinters(AirPassengers[1:30], gamma=FALSE): alpha on its bound 1, beta polished.
    const std::vector<Real> y(x.begin(), x.begin() + 30);
    const SmoothingFit h = fit_smoothing(y, SmoothMethod::HOLT, 0, estimated(), 100);
    EXPECT_TRUE(h.parameters.value.alpha == 1);
    EXPECT_TRUE(agrees(h.parameters.value.beta, 0.0186348762258029Q, 1e-7Q));
    EXPECT_TRUE(agrees(h.path.sse, 6222.35748901853Q, 1e-12Q));
    // HoltWinters(z, beta=FALSE, gamma=FALSE), polished; with alpha fixed at ALPHA the other
    // parameters alone are searched.
    const SmoothingFit s = fit_smoothing(Z30, SmoothMethod::SIMPLE, 0, estimated(), 100);
    EXPECT_TRUE(agrees(s.parameters.value.alpha, 0.0830810013887455Q, 1e-7Q));
    EXPECT_TRUE(agrees(s.path.sse, 703.667304276712Q, 1e-12Q));
    EXPECT_TRUE(agrees(s.path.final_level, 53.0634309700317Q, 1e-9Q));
}

TEST(SmoothReference, HodrickPrescottTrend) {
    // Exact rational solution (Python fractions), lambda 1600 and 10.
    const std::vector<Real> t = hp_trend(Z30, 1600);
    EXPECT_TRUE(agrees(t[0], 53.24522122587126855396714053653181Q, 1e-30Q));
    EXPECT_TRUE(agrees(t[1], 53.22353017639323468071514735599018Q, 1e-30Q));
    EXPECT_TRUE(agrees(t[14], 53.01304395154650426297150035944442Q, 1e-30Q));
    EXPECT_TRUE(agrees(t[28], 52.62369027634877276267444008107351Q, 1e-30Q));
    EXPECT_TRUE(agrees(t[29], 52.57923985415417469176913387227381Q, 1e-30Q));
    Real sse = 0;
    for (std::size_t i = 0; i < t.size(); ++i) sse += (Z30[i] - t[i]) * (Z30[i] - t[i]);
    EXPECT_TRUE(agrees(sse, 598.7593463283033704738328856066848Q, 1e-28Q));
    const std::vector<Real> t10 = hp_trend(Z30, 10);
    EXPECT_TRUE(agrees(t10[1], 53.17978371213911443468951408391044Q, 1e-30Q));
    EXPECT_TRUE(agrees(t10[28], 52.02249121713312501247541837146510Q, 1e-30Q));
    // Three values: one second difference; solve(diag(3) + 2 crossprod(D), c(1,4,2)) = 23/13,
    // 32/13, 36/13.
    const std::vector<Real> t3 = hp_trend({1, 4, 2}, 2);
    EXPECT_TRUE(agrees(t3[0], Real(23) / 13, 1e-32Q));
    EXPECT_TRUE(agrees(t3[1], Real(32) / 13, 1e-32Q));
    EXPECT_TRUE(agrees(t3[2], Real(36) / 13, 1e-32Q));
}

// Long series, where the factor's interior rows settle and are kept once: the trend must still
// solve (I + lambda D'D) t = y row by row, the middle and both ends included, and the summary
// sums must be those of the cycle and trend returned.
TEST(SmoothReference, HodrickPrescottLongSeriesSolvesItsSystem) {
    for (const Real lambda : {Real(0.5), Real(1600), Real(1e7)}) {
        const std::size_t n = 4000;
        std::vector<Real> y(n);
        for (std::size_t i = 0; i < n; ++i)
            y[i] = 100 * qm::sin(Real(int(i)) / 50) + Real(int((7919 * i) % 101)) / 10;
        const std::vector<Real> t = hp_trend(y, lambda);
        ASSERT_EQ(t.size(), n);
        // (D'D t)_i from the second differences s_k = t_(k+2) - 2 t_(k+1) + t_k, k = 0 .. n-3.
        std::vector<Real> second(n - 2);
        for (std::size_t k = 0; k + 2 < n; ++k) second[k] = t[k + 2] - 2 * t[k + 1] + t[k];
        Real worst = 0;
        for (std::size_t i = 0; i < n; ++i) {
            Real penalty = 0;
            if (i < n - 2) penalty += second[i];
            if (i >= 1 && i - 1 < n - 2) penalty -= 2 * second[i - 1];
            if (i >= 2) penalty += second[i - 2];
            worst = std::max(worst, qm::abs(t[i] + lambda * penalty - y[i]));
        }
        EXPECT_LT(worst, 1e-24Q * (1 + lambda)) << "lambda " << double(lambda);
        std::vector<Real> cycle;
        const HpSummary s = hp_cycle(y, t, cycle);
        Real squares = 0, sum = 0, curvature = 0;
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(cycle[i], y[i] - t[i]);
            squares += cycle[i] * cycle[i];
            sum += cycle[i];
        }
        for (const Real d : second) curvature += d * d;
        EXPECT_EQ(s.cycle_squares, squares);
        EXPECT_EQ(s.cycle_sum, sum);
        EXPECT_EQ(s.penalty, curvature);
    }
}

} // namespace
} // namespace tarvex::testing
