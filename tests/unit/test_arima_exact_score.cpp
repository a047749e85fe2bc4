// The exact gradient of the exact ARIMA log-likelihood: against an eighth-order central
// difference of the binary128 likelihood on short series (every kind of parameter: AR, MA, their
// seasonal parts, the mean, a regressor), its log-likelihood the filter's to the last bit; and on
// a long series the estimates it leads to against the maximum found apart from it (the point
// where a high-order difference of the likelihood has no slope), with the digits printed. The
// last pass's filter (residuals, last state) is arma_exact's to the bit. The jets in double: their
// gradient the exact one's, their Hessian central differences of the exact gradient's, to
// double's rounding.
#include "regress/arima/arima_double_curvature.hpp"
#include "regress/arima/arima_estimate.hpp"
#include "regress/arima/arima_likelihood.hpp"
#include "regress/arima/arima_score.hpp"

#include "numeric/qmath.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

// Roughly Gaussian noise from a fixed linear congruential stream (the same on every machine).
struct ScoreTestNoise {
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

// An ARMA(2,2) series (phi 0.5, -0.3; theta 0.4, 0.2) plus `level` and `slope` times a random
// walk column (returned in x).
std::vector<Real> arma_series(int n, std::uint64_t seed, Real level, Real slope,
                              std::vector<Real>& x) {
    ScoreTestNoise noise{seed};
    std::vector<Real> w;
    Real w1 = 0, w2 = 0, e1 = 0, e2 = 0, walk = 0;
    x.clear();
    for (int t = -200; t < n; ++t) {
        const Real e = noise.next();
        const Real v = Real(0.5Q) * w1 - Real(0.3Q) * w2 + e + Real(0.4Q) * e1 + Real(0.2Q) * e2;
        w2 = w1, w1 = v, e2 = e1, e1 = e;
        walk += noise.next() / 4;
        if (t < 0) continue;
        w.push_back(v + level + slope * walk);
        x.push_back(walk);
    }
    return w;
}

// The series the filter sees at theta: w less the mean and the regression.
std::vector<Real> noise_at(const std::vector<Real>& w, const ArimaOrder& o,
                           const std::vector<Real>& theta, const std::vector<Real>& x) {
    std::vector<Real> out(w);
    const Real mean = o.mean ? theta[std::size_t(o.arma_count())] : Real(0);
    const Real b = o.regressors > 0 ? theta[std::size_t(o.regressor_offset())] : Real(0);
    for (std::size_t t = 0; t < out.size(); ++t) out[t] -= mean + (o.regressors ? b * x[t] : 0);
    return out;
}

Real likelihood_at(const std::vector<Real>& w, const ArimaOrder& o, const std::vector<Real>& theta,
                   const std::vector<Real>& x) {
    const ArmaFilter f = arma_exact(noise_at(w, o, theta, x), expand_polynomials(o, theta), false);
    EXPECT_TRUE(f.ok);
    return f.llf;
}

// d log L / d theta_j by the eighth-order central difference with step h.
Real difference_slope(const std::vector<Real>& w, const ArimaOrder& o, std::vector<Real> theta,
                      const std::vector<Real>& x, int j, Real h) {
    static const Real weights[4] = {Real(4) / 5, -Real(1) / 5, Real(4) / 105, -Real(1) / 280};
    const Real at = theta[std::size_t(j)];
    Real s = 0;
    for (int m = 1; m <= 4; ++m) {
        theta[std::size_t(j)] = at + m * h;
        const Real up = likelihood_at(w, o, theta, x);
        theta[std::size_t(j)] = at - m * h;
        s += weights[m - 1] * (up - likelihood_at(w, o, theta, x));
    }
    return s / h;
}

double digits_between(Real a, Real b, Real size) {
    const Real d = qm::abs(a - b);
    return d == 0 ? 34.0 : std::min(34.0, -std::log10(double(d / size)));
}

struct ScoreCase {
    const char* name;
    ArimaOrder order;
    std::vector<Real> theta;
};

TEST(ArimaExactScore, GradientMatchesHighOrderDifferencesOnShortSeries) {
    std::vector<Real> x;
    const std::vector<Real> w = arma_series(240, 31, Real(3), Real(1.5Q), x);
    // State dimensions 1 to 4 and a larger one (the seasonal model's 6) each take their own
    // layout of the steady rows' recursion.
    ArimaOrder arma22, meanreg, seasonal, pure_ma, pure_ar, ar1, arma11;
    arma22.p = 2, arma22.q = 2;
    meanreg.p = 1, meanreg.q = 2, meanreg.mean = true, meanreg.regressors = 1;
    seasonal.p = 1, seasonal.q = 1, seasonal.sp = 1, seasonal.sq = 1, seasonal.span = 4;
    seasonal.mean = true;
    pure_ma.q = 3, pure_ma.mean = true;
    pure_ar.p = 3, pure_ar.mean = true;
    ar1.p = 1, ar1.mean = true;
    arma11.p = 1, arma11.q = 1;
    const std::vector<ScoreCase> cases = {
        {"ARMA(2,2)", arma22, {0.45Q, -0.25Q, 0.35Q, 0.15Q}},
        {"ARMA(1,2), mean and regressor", meanreg, {0.4Q, 0.3Q, 0.1Q, 2.9Q, 1.4Q}},
        {"(1,0,1)(1,0,1)4 with mean", seasonal, {0.4Q, 0.2Q, 0.3Q, -0.25Q, 3.1Q}},
        {"MA(3) with mean", pure_ma, {0.6Q, 0.3Q, 0.1Q, 2.8Q}},
        {"AR(3) with mean", pure_ar, {0.6Q, -0.2Q, 0.1Q, 3.2Q}},
        {"AR(1) with mean", ar1, {0.55Q, 3.05Q}},
        {"ARMA(1,1)", arma11, {0.5Q, 0.3Q}},
    };
    for (const ScoreCase& c : cases) {
        const std::vector<Real> seen = noise_at(w, c.order, c.theta, x);
        const std::vector<std::vector<Real>> dx = c.order.regressors
                                                      ? std::vector<std::vector<Real>>{x}
                                                      : std::vector<std::vector<Real>>{};
        const ArimaScore s = arima_exact_score(seen, c.order, c.theta, dx);
        ASSERT_TRUE(s.ok) << c.name;
        // The log-likelihood is the filter's, bit for bit.
        EXPECT_TRUE(s.llf == likelihood_at(w, c.order, c.theta, x)) << c.name;
        ASSERT_EQ(int(s.gradient.size()), c.order.parameter_count());
        Real size = 1;
        for (Real g : s.gradient) size = std::max(size, qm::abs(g));
        double fewest = 34;
        for (int j = 0; j < c.order.parameter_count(); ++j) {
            const Real fd = difference_slope(w, c.order, c.theta, x, j, Real(1e-4Q));
            const double d = digits_between(s.gradient[std::size_t(j)], fd, size);
            fewest = std::min(fewest, d);
            EXPECT_GE(d, 25.0) << c.name << " parameter " << j;
        }
        std::printf("%-32s exact gradient and differences agree to %.1f digits\n", c.name, fewest);
        // The filter the last pass keeps is arma_exact's with `keep`, bit for bit.
        const ArmaFilter kept = arima_exact_score(seen, c.order, c.theta, dx, true).filter;
        const ArmaFilter f = arma_exact(seen, expand_polynomials(c.order, c.theta), true);
        EXPECT_TRUE(kept.ok && kept.llf == f.llf && kept.ssq == f.ssq) << c.name;
        EXPECT_EQ(kept.steady_from, f.steady_from) << c.name;
        EXPECT_TRUE(kept.resid == f.resid && kept.state == f.state && kept.cov == f.cov) << c.name;
        // The steady rows' derivatives in two or three shares of the parameters (two threads on
        // a long series): the same bits as in one.
        for (int shares : {2, 3}) {
            const ArimaScore split = arima_exact_score(seen, c.order, c.theta, dx, true, shares);
            ASSERT_TRUE(split.ok) << c.name;
            EXPECT_TRUE(split.llf == s.llf && split.gradient == s.gradient)
                << c.name << ", " << shares << " shares";
            EXPECT_TRUE(split.filter.resid == f.resid && split.filter.state == f.state &&
                        split.filter.ssq == f.ssq)
                << c.name << ", " << shares << " shares";
        }
    }
}

// The jets against the binary128 exact score: the log-likelihood and the gradient to the format's
// rounding, the Hessian against central differences of the exact gradient (step 1e-7 for double,
// 1e-10 for the extended format: truncation of order the step's square, rounding of the binary128
// gradient 1e-34 over the step), relative to the largest element: 1e-11 in double, 2e-17 in the
// extended format (which double's rounding could not meet).
TEST(ArimaExactScore, JetsMatchTheExactScoreAndItsDifferences) {
    std::vector<Real> x;
    const std::vector<Real> w = arma_series(300, 77, Real(3), Real(1.5Q), x);
    ArimaOrder arma22, meanreg, seasonal;
    arma22.p = 2, arma22.q = 2;
    meanreg.p = 1, meanreg.q = 2, meanreg.mean = true, meanreg.regressors = 1;
    seasonal.p = 1, seasonal.q = 1, seasonal.sp = 1, seasonal.sq = 1, seasonal.span = 4;
    seasonal.mean = true;
    const std::vector<ScoreCase> cases = {
        {"ARMA(2,2)", arma22, {0.45Q, -0.25Q, 0.35Q, 0.15Q}},
        {"ARMA(1,2), mean and regressor", meanreg, {0.4Q, 0.3Q, 0.1Q, 2.9Q, 1.4Q}},
        {"(1,0,1)(1,0,1)4 with mean", seasonal, {0.4Q, 0.2Q, 0.3Q, -0.25Q, 3.1Q}},
    };
    std::vector<double> wd, xd;
    std::vector<long double> we, xe;
    for (Real v : w) wd.push_back(double(v)), we.push_back(static_cast<long double>(v));
    for (Real v : x) xd.push_back(double(v)), xe.push_back(static_cast<long double>(v));
    for (const ScoreCase& c : cases) {
        const int k = c.order.parameter_count();
        const bool reg = c.order.regressors > 0;
        const std::vector<std::vector<Real>> dx =
            reg ? std::vector<std::vector<Real>>{x} : std::vector<std::vector<Real>>{};
        auto exact = [&](const std::vector<Real>& theta) {
            return arima_exact_score(noise_at(w, c.order, theta, x), c.order, theta, dx);
        };
        const ArimaScore s = exact(c.theta);
        ASSERT_TRUE(s.ok) << c.name;
        const ArimaCurvature in_double = arima_double_curvature(
            wd, reg ? std::vector<std::vector<double>>{xd} : std::vector<std::vector<double>>{},
            c.order, c.theta);
        const ArimaCurvature extended =
            arima_extended_curvature(we,
                                     reg ? std::vector<std::vector<long double>>{xe}
                                         : std::vector<std::vector<long double>>{},
                                     c.order, c.theta);
        // The gradient alone is the same bits as with the Hessian, and only for a series
        // without mean or regressors.
        const ArimaCurvature first = arima_extended_gradient(we, c.order, c.theta);
        if (reg || c.order.mean) {
            EXPECT_FALSE(first.ok) << c.name;
        } else {
            EXPECT_TRUE(first.ok && first.llf == extended.llf &&
                        first.gradient == extended.gradient && first.hessian.empty())
                << c.name << ", the gradient alone";
        }
        // Without mean and regressors the steady rows may share the second-order components
        // between two threads: the same bits as one.
        if (!reg && !c.order.mean) {
            const ArimaCurvature d = arima_double_curvature(wd, {}, c.order, c.theta, 2);
            const ArimaCurvature e = arima_extended_curvature(we, {}, c.order, c.theta, 2);
            EXPECT_TRUE(d.llf == in_double.llf && d.gradient == in_double.gradient &&
                        d.hessian == in_double.hessian)
                << c.name << ", double on two threads";
            EXPECT_TRUE(e.llf == extended.llf && e.gradient == extended.gradient &&
                        e.hessian == extended.hessian)
                << c.name << ", extended on two threads";
        }
        struct Format {
            const ArimaCurvature& jets;
            Real step, agree;
            const char* name;
        };
        for (const Format& f : {Format{in_double, 1e-7Q, 1e-11Q, "double"},
                                Format{extended, 1e-10Q, 2e-17Q, "extended"}}) {
            ASSERT_TRUE(f.jets.ok) << c.name << " " << f.name;
            EXPECT_LT(qm::abs(f.jets.llf - s.llf), 1e3Q * f.agree * qm::abs(s.llf)) << c.name;
            Real gsize = 1, hsize = 0;
            for (Real g : s.gradient) gsize = std::max(gsize, qm::abs(g));
            for (Real h : f.jets.hessian) hsize = std::max(hsize, qm::abs(h));
            for (int j = 0; j < k; ++j) {
                EXPECT_LT(qm::abs(f.jets.gradient[std::size_t(j)] - s.gradient[std::size_t(j)]),
                          f.agree * hsize)
                    << c.name << " " << f.name << " gradient " << j;
                std::vector<Real> up(c.theta), down(c.theta);
                up[std::size_t(j)] += f.step;
                down[std::size_t(j)] -= f.step;
                const ArimaScore su = exact(up), sd = exact(down);
                ASSERT_TRUE(su.ok && sd.ok);
                for (int i = 0; i < k; ++i) {
                    const Real fd =
                        (su.gradient[std::size_t(i)] - sd.gradient[std::size_t(i)]) / (2 * f.step);
                    EXPECT_LT(qm::abs(f.jets.hessian[std::size_t(i) * k + j] - fd), f.agree * hsize)
                        << c.name << " " << f.name << " hessian " << i << "," << j;
                }
            }
        }
    }
}

// The long series' estimates (the double search, then the exact gradient's iterations) are the
// binary128 maximum: there a high-order difference of the binary128 likelihood has no slope, up
// to its own rounding; the Newton correction it implies, H**-1 g, moves no estimate within the
// digits those differences can resolve.
TEST(ArimaExactScore, LongSeriesEstimatesAreTheBinary128Maximum) {
    std::vector<Real> walk;
    std::vector<Real> w = arma_series(20000, 4242, Real(0), Real(0), walk);
    std::vector<Real> y(w.size() + 1, Real(50));
    for (std::size_t t = 0; t < w.size(); ++t) y[t + 1] = y[t] + w[t];
    ArimaOrder o;
    o.p = 2, o.d = 1, o.q = 2;
    const ArimaEstimate e = estimate_arima(y, o, ArimaControl{});
    ASSERT_EQ(e.end, ArimaEnd::CONVERGED);
    const std::vector<Real>& b = e.result.record.coef;
    const int k = o.parameter_count();
    std::vector<Real> fd(k);
    for (int j = 0; j < k; ++j)
        fd[std::size_t(j)] = difference_slope(w, o, b, walk, j, Real(1e-5Q));
    // The correction cov g (cov = -H**-1 is the stored covariance).
    const std::vector<Real>& cov = e.result.record.cov;
    ASSERT_EQ(int(cov.size()), k * k);
    double fewest = 34;
    for (int i = 0; i < k; ++i) {
        Real move = 0;
        for (int j = 0; j < k; ++j) move += cov[std::size_t(i) * k + j] * fd[std::size_t(j)];
        fewest = std::min(fewest, digits_between(b[i] + move, b[i], qm::abs(b[i])));
    }
    std::printf("estimates agree with the maximum of the binary128 likelihood to %.1f digits\n",
                fewest);
    // The differences' own rounding (the likelihood's sum over 20,000 observations, about
    // 1e-30 of it, over the step) bounds what they can confirm at about 27 digits; the check
    // in higher precision (bench/arima_gradient_check.py) confirms 30 and more.
    EXPECT_GE(fewest, 26.0);
    // The exact gradient at the estimates (the last pass formed the values alone): zero to
    // rounding.
    std::vector<Real> differenced(w.size());
    for (std::size_t t = 0; t < w.size(); ++t) differenced[t] = y[t + 1] - y[t];
    const ArimaScore at_estimates = arima_exact_score(differenced, o, b, {});
    ASSERT_TRUE(at_estimates.ok);
    ASSERT_EQ(int(at_estimates.gradient.size()), k);
    EXPECT_TRUE(at_estimates.llf == e.result.record.llf);
    for (Real g : at_estimates.gradient) EXPECT_LT(qm::abs(g), Real(1e-24Q));
    EXPECT_NEAR(double(b[0]), 0.5, 0.05);
    EXPECT_NEAR(double(b[2]), 0.4, 0.05);
}

} // namespace
} // namespace tarvex
