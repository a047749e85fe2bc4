// ARIMA by exact ML on long series, whose first iterations run in double: the estimates, their
// covariance and the log-likelihood must be those of the iterations in binary128 all the way (the
// same maximum, to the rounding of the finite-difference gradient), the iterations reported must
// count both phases, and a request to stop must pass through the search.
#include "regress/arima/arima_estimate.hpp"
#include "regress/arima/arima_score.hpp"
#include "tests/unit/reference_support.hpp"

#include "numeric/qmath.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;

// Roughly Gaussian noise (the sum of twelve uniforms less six) from a fixed linear congruential
// stream, so the series is the same on every machine.
struct SearchTestNoise {
    std::uint64_t state;
    Real next() {
        Real s = -6;
        for (int i = 0; i < 12; ++i) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            s += Real(state >> 11) / Real(std::uint64_t(1) << 53);
        }
        return s;
    }
};

// y integrated once, its difference ARMA(2,2) with phi (0.5, -0.3) and theta (0.4, 0.2), plus
// `slope` times the column x (a random walk) when x is asked for.
std::vector<Real> integrated_arma(int n, std::uint64_t seed, Real slope, std::vector<Real>* x) {
    SearchTestNoise noise{seed};
    std::vector<Real> y(n);
    Real w1 = 0, w2 = 0, e1 = 0, e2 = 0, level = 100, walk = 0;
    for (int t = -200; t < n; ++t) {
        const Real e = noise.next();
        const Real w = Real(0.5Q) * w1 - Real(0.3Q) * w2 + e + Real(0.4Q) * e1 + Real(0.2Q) * e2;
        w2 = w1, w1 = w, e2 = e1, e1 = e;
        level += w;
        walk += noise.next();
        if (t < 0) continue;
        y[std::size_t(t)] = level + slope * walk;
        if (x) x->push_back(walk);
    }
    return y;
}

// The significant digits two values share (34 when they are equal).
double digits_agreed(Real a, Real b) {
    const Real d = qm::abs(a - b);
    if (d == 0) return 34;
    return std::min(34.0, -std::log10(double(d / qm::abs(b))));
}

// The exact gradient at theta of the once-differenced y (less the mean and x's regression, when
// the order has them).
std::vector<Real> exact_gradient(const std::vector<Real>& y, const std::vector<Real>* x,
                                 const ArimaOrder& o, const std::vector<Real>& theta) {
    std::vector<Real> noise(y.size() - 1);
    std::vector<std::vector<Real>> dx;
    if (x) dx.emplace_back(y.size() - 1);
    for (std::size_t t = 0; t + 1 < y.size(); ++t) {
        noise[t] = y[t + 1] - y[t];
        if (o.mean) noise[t] -= theta[std::size_t(o.arma_count())];
        if (!x) continue;
        dx[0][t] = (*x)[t + 1] - (*x)[t];
        noise[t] -= theta[std::size_t(o.regressor_offset())] * dx[0][t];
    }
    const ArimaScore s = arima_exact_score(noise, o, theta, dx);
    EXPECT_TRUE(s.ok);
    return s.gradient;
}

void expect_same_maximum(const ArimaEstimate& searched, const ArimaEstimate& direct,
                         const std::vector<Real>& y, const std::vector<Real>* x,
                         const ArimaOrder& o) {
    ASSERT_EQ(searched.end, ArimaEnd::CONVERGED);
    ASSERT_EQ(direct.end, ArimaEnd::CONVERGED);
    const EstimationResults &a = searched.result.record, &b = direct.result.record;
    ASSERT_EQ(a.coef.size(), b.coef.size());
    double fewest = 34;
    for (std::size_t i = 0; i < a.coef.size(); ++i)
        fewest = std::min(fewest, digits_agreed(a.coef[i], b.coef[i]));
    std::printf("coefficients agree with the binary128 path to %.1f significant digits\n", fewest);
    for (std::size_t i = 0; i < a.coef.size(); ++i) {
        EXPECT_TRUE(agrees(a.coef[i], b.coef[i], 1e-18Q)) << "coef " << i;
        EXPECT_TRUE(agrees(a.stderrs[i], b.stderrs[i], 1e-12Q)) << "stderr " << i;
    }
    EXPECT_TRUE(agrees(a.llf, b.llf, 1e-30Q));
    EXPECT_TRUE(agrees(searched.sigma2, direct.sigma2, 1e-18Q));
    // Both are the maximum: the exact gradient vanishes there to rounding.
    for (const std::vector<Real>* at : {&a.coef, &b.coef}) {
        const std::vector<Real> g = exact_gradient(y, x, o, *at);
        ASSERT_EQ(g.size(), a.coef.size());
        for (Real v : g) EXPECT_LT(qm::abs(v), 1e-15Q * (1 + qm::abs(a.llf)));
    }
    // The searched estimates are the binary128 maximum to within the rounding of the exact
    // gradient: the Newton step from them, on the covariance (minus the inverse Hessian), is a
    // few units in the last place of binary128 (a step left untaken would be about 1e-20).
    const std::vector<Real> g = exact_gradient(y, x, o, a.coef);
    const std::size_t k = a.coef.size();
    for (std::size_t i = 0; i < k; ++i) {
        Real step = 0;
        for (std::size_t j = 0; j < k; ++j) step += a.cov[i * k + j] * g[j];
        EXPECT_LT(qm::abs(step), 1e-32Q * (1 + qm::abs(a.coef[i]))) << "Newton step " << i;
    }
    // The iterations listed run on from the double phase into the binary128 one (an iteration
    // that ends without a step lists nothing), up to the count reported, and their
    // log-likelihood does not fall (beyond the rounding of the double phase's).
    ASSERT_FALSE(searched.history.empty());
    EXPECT_EQ(searched.history.front().iteration, 1);
    EXPECT_LE(searched.history.back().iteration, searched.iterations);
    for (std::size_t i = 1; i < searched.history.size(); ++i) {
        EXPECT_GT(searched.history[i].iteration, searched.history[i - 1].iteration);
        EXPECT_GE(searched.history[i].llf, searched.history[i - 1].llf - 1e-6Q);
    }
}

TEST(ArimaDoubleSearch, LongSeriesReachesTheBinary128Maximum) {
    const std::vector<Real> y = integrated_arma(12001, 20261208, 0, nullptr);
    ArimaOrder o;
    o.p = 2, o.d = 1, o.q = 2;
    ArimaControl on, off;
    off.search_in_double = false;
    const ArimaEstimate searched = estimate_arima(y, o, on);
    const ArimaEstimate direct = estimate_arima(y, o, off);
    expect_same_maximum(searched, direct, y, nullptr, o);
    // The first iterations listed are the double phase's (log-likelihoods held in double); the
    // binary128 path lists none such.
    auto in_double = [](const MaximizeIteration& it) { return Real(double(it.llf)) == it.llf; };
    EXPECT_TRUE(in_double(searched.history.front()));
    EXPECT_FALSE(in_double(searched.history.back()));
    EXPECT_FALSE(in_double(direct.history.front()));
    // The estimates are those of the process that made the series.
    EXPECT_NEAR(double(searched.result.record.coef[0]), 0.5, 0.05);
    EXPECT_NEAR(double(searched.result.record.coef[1]), -0.3, 0.05);
}

TEST(ArimaDoubleSearch, RegressionWithArmaErrorsAndMean) {
    std::vector<Real> x;
    const std::vector<Real> y = integrated_arma(10501, 7, Real(2), &x);
    ArimaOrder o;
    o.p = 1, o.d = 1, o.q = 1, o.mean = true, o.regressors = 1;
    ArimaRegressors xreg;
    xreg.columns.push_back(x);
    ArimaControl on, off;
    off.search_in_double = false;
    const ArimaEstimate searched = estimate_arima(y, o, on, xreg);
    const ArimaEstimate direct = estimate_arima(y, o, off, xreg);
    expect_same_maximum(searched, direct, y, &x, o);
    EXPECT_NEAR(double(searched.result.record.coef[3]), 2.0, 0.05);
}

// Every check the estimation makes, the search's among them, stops it when asked to.
TEST(ArimaDoubleSearch, StopRequestsPassThroughTheSearch) {
    const std::vector<Real> y = integrated_arma(10001, 99, 0, nullptr);
    ArimaOrder o;
    o.p = 1, o.d = 1, o.q = 1;
    ArimaControl counting;
    int checks = 0;
    counting.interrupt = [&checks] { ++checks; };
    const ArimaEstimate full = estimate_arima(y, o, counting);
    ASSERT_EQ(full.end, ArimaEnd::CONVERGED);
    ASSERT_GT(checks, full.iterations);
    struct Stop {};
    for (int at : {1, checks / 2, checks}) {
        ArimaControl stopping;
        int seen = 0;
        stopping.interrupt = [&seen, at] {
            if (++seen == at) throw Stop{};
        };
        EXPECT_THROW(estimate_arima(y, o, stopping), Stop) << "at check " << at;
        EXPECT_EQ(seen, at);
    }
}

} // namespace
} // namespace tarvex
