// Quantile regression with its covariance choices, and what ROBUST's estimators share.
#include "regress/robust/robust_estimate.hpp"

#include "kernels/symmetric_solve.hpp"
#include "numeric/distributions.hpp"
#include "numeric/qmath.hpp"
#include "numeric/random_numbers.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/robust/quantile_simplex.hpp"

#include <algorithm>
#include <numeric>

namespace tarvex {

namespace {

Real normal_density_at(Real x) {
    return qm::exp(-x * x / 2) / qm::sqrt(2 * qm::PI);
}

// The sample quantile at p by linear interpolation between order statistics (the
// (n - 1) p + 1-th value of the sorted data).
Real interpolated_quantile(const std::vector<Real>& sorted, Real p) {
    const Real h = Real(sorted.size() - 1) * p;
    const std::size_t lo = std::size_t(qm::floor(h));
    if (lo + 1 >= sorted.size()) return sorted.back();
    return sorted[lo] + (h - Real(lo)) * (sorted[lo + 1] - sorted[lo]);
}

// Under independent errors: tau (1 - tau) s**2 (X'X)^-1 with the sparsity s the slope of a
// median regression of the residuals ordered by size, taken from the h + 1 smallest in absolute
// value after those the fit interpolates, on their ranks / (n - k).
bool iid_covariance(const RobustData& data, const QuantileFit& fit, Real tau, RobustEstimate& e,
                    std::vector<Real>& cov) {
    const std::size_t n = data.n, k = data.x.size();
    const std::vector<Real> inv = robust_weighted_inverse(data, {});
    if (inv.empty()) return false;
    std::vector<std::size_t> by_size(n);
    std::iota(by_size.begin(), by_size.end(), std::size_t(0));
    std::stable_sort(by_size.begin(), by_size.end(), [&](std::size_t a, std::size_t b) {
        return qm::abs(fit.residuals[a]) < qm::abs(fit.residuals[b]);
    });
    // Residuals below the interpolation tolerance count as interpolated.
    const Real eps = 3.6696e-11Q;
    std::size_t zeros = 0;
    for (const Real r : fit.residuals)
        if (qm::abs(r) < eps) ++zeros;
    e.bandwidth = hall_sheather_bandwidth(tau, n);
    const std::size_t h = std::max(k + 1, std::size_t(qm::ceil(Real(n) * e.bandwidth)));
    if (zeros + h + 1 > n) return false;
    std::vector<Real> ordered, rank;
    for (std::size_t i = zeros + 1; i <= zeros + h + 1; ++i) {
        ordered.push_back(fit.residuals[by_size[i - 1]]);
        rank.push_back(Real(i) / Real(n - k));
    }
    std::sort(ordered.begin(), ordered.end());
    const QuantileFit slope =
        fit_quantile({nullptr, rank.data()}, ordered.data(), ordered.size(), 0.5Q);
    if (slope.end != QuantileEnd::OPTIMAL) return false;
    e.sparsity = slope.coef[1];
    cov = inv;
    for (Real& v : cov) v *= e.sparsity * e.sparsity * tau * (1 - tau);
    return true;
}

// The kernel sandwich tau (1 - tau) (X'F X)^-1 X'X (X'F X)^-1, F the normal kernel's density
// of each residual at the bandwidth h = (z(tau + b) - z(tau - b)) min(sd, IQR / 1.34).
bool kernel_covariance(const RobustData& data, const QuantileFit& fit, Real tau, RobustEstimate& e,
                       std::vector<Real>& cov) {
    const std::size_t n = data.n, k = data.x.size();
    Real b = hall_sheather_bandwidth(tau, n);
    while (tau - b < 0 || tau + b > 1) b /= 2;
    e.bandwidth = b;
    std::vector<Real> sorted = fit.residuals;
    std::sort(sorted.begin(), sorted.end());
    Real mean = 0;
    for (const Real r : sorted) mean += r;
    mean /= Real(n);
    Real ss = 0;
    for (const Real r : sorted) ss += (r - mean) * (r - mean);
    const Real sd = qm::sqrt(ss / Real(n - 1));
    const Real iqr =
        (interpolated_quantile(sorted, 0.75Q) - interpolated_quantile(sorted, 0.25Q)) / 1.34Q;
    const Real h =
        (dist::normal_quantile(tau + b) - dist::normal_quantile(tau - b)) * std::min(sd, iqr);
    if (!(h > 0)) return false;
    std::vector<Real> f(n);
    for (std::size_t i = 0; i < n; ++i) f[i] = normal_density_at(fit.residuals[i] / h) / h;
    const std::vector<Real> outer = robust_weighted_inverse(data, f);
    const std::vector<Real> xtx_inv = robust_weighted_inverse(data, {});
    if (outer.empty() || xtx_inv.empty()) return false;
    // X'X from its inverse would lose nothing in binary128, but form it directly.
    std::vector<Real> xtx(k * k, Real(0));
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t c = 0; c <= a; ++c) {
            Real s = 0;
            for (std::size_t i = 0; i < n; ++i) s += robust_x(data, a, i) * robust_x(data, c, i);
            xtx[a * k + c] = xtx[c * k + a] = s;
        }
    std::vector<Real> tmp(k * k, Real(0));
    cov.assign(k * k, Real(0));
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t c = 0; c < k; ++c)
            for (std::size_t m = 0; m < k; ++m) tmp[a * k + c] += outer[a * k + m] * xtx[m * k + c];
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t c = 0; c < k; ++c) {
            Real s = 0;
            for (std::size_t m = 0; m < k; ++m) s += tmp[a * k + m] * outer[m * k + c];
            cov[a * k + c] = s * tau * (1 - tau);
        }
    return true;
}

// The covariance of the coefficients over fits to samples of the observations drawn with
// replacement, one generator seeded once, so that a seed gives the same samples every time.
// Samples whose design is degenerate are skipped.
bool boot_covariance(const RobustData& data, const RobustControl& c, RobustEstimate& e,
                     std::vector<Real>& cov) {
    const std::size_t n = data.n, k = data.x.size();
    expr::RandomGenerator gen;
    gen.seed(c.seed);
    std::vector<std::vector<Real>> cols(k, std::vector<Real>(n));
    std::vector<Real> y(n);
    std::vector<std::vector<Real>> draws;
    for (int rep = 0; rep < c.replications; ++rep) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t pick =
                std::min(n - 1, std::size_t(qm::floor(gen.uniform() * Real(n))));
            y[i] = data.y[pick];
            for (std::size_t j = 0; j < k; ++j) cols[j][i] = robust_x(data, j, pick);
        }
        std::vector<const Real*> x(k);
        for (std::size_t j = 0; j < k; ++j) x[j] = data.x[j] == nullptr ? nullptr : cols[j].data();
        const QuantileFit f = fit_quantile(x, y.data(), n, c.tau, c.max_pivots);
        if (f.end == QuantileEnd::OPTIMAL) draws.push_back(f.coef);
    }
    e.replications = int(draws.size());
    if (draws.size() < 2) return false;
    std::vector<Real> mean(k, Real(0));
    for (const auto& d : draws)
        for (std::size_t j = 0; j < k; ++j) mean[j] += d[j];
    for (Real& m : mean) m /= Real(draws.size());
    cov.assign(k * k, Real(0));
    for (const auto& d : draws)
        for (std::size_t a = 0; a < k; ++a)
            for (std::size_t b = 0; b < k; ++b)
                cov[a * k + b] += (d[a] - mean[a]) * (d[b] - mean[b]);
    for (Real& v : cov) v /= Real(draws.size() - 1);
    return true;
}

} // namespace

Real hall_sheather_bandwidth(Real tau, std::size_t n) {
    const Real x0 = dist::normal_quantile(tau);
    const Real f0 = normal_density_at(x0);
    const Real z = dist::normal_quantile(1 - 0.05Q / 2);
    return qm::pow(Real(n), Real(-1) / 3) * qm::pow(z, Real(2) / 3) *
           qm::pow(1.5Q * f0 * f0 / (2 * x0 * x0 + 1), Real(1) / 3);
}

std::vector<Real> robust_weighted_inverse(const RobustData& data, const std::vector<Real>& w) {
    const std::size_t n = data.n, k = data.x.size();
    std::vector<Real> m(k * k, Real(0));
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t c = 0; c <= a; ++c) {
            Real s = 0;
            for (std::size_t i = 0; i < n; ++i)
                s += (w.empty() ? Real(1) : w[i]) * robust_x(data, a, i) * robust_x(data, c, i);
            m[a * k + c] = m[c * k + a] = s;
        }
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(m, int(k), lower, failed, Real(1e-28Q))) return {};
    return cholesky_inverse(lower, int(k));
}

void fill_robust_result(const RobustData& data, const std::vector<Real>& coef,
                        const std::vector<Real>& cov, bool asymptotic, RobustEstimate& e) {
    EstimationResults& r = e.result.record;
    const std::size_t n = data.n, k = coef.size();
    r.coef = coef;
    r.cov = cov;
    r.n = int(n);
    r.k = int(k);
    r.df = Real(n - k);
    r.asymptotic = asymptotic;
    r.predicted.resize(n);
    r.residuals.resize(n);
    Real ymean = 0;
    for (std::size_t i = 0; i < n; ++i) ymean += data.y[i];
    ymean /= Real(n);
    r.sse = 0;
    r.sst = 0;
    for (std::size_t i = 0; i < n; ++i) {
        Real f = 0;
        for (std::size_t j = 0; j < k; ++j) f += coef[j] * robust_x(data, j, i);
        r.predicted[i] = f;
        r.residuals[i] = data.y[i] - f;
        r.sse += r.residuals[i] * r.residuals[i];
        r.sst += (data.y[i] - ymean) * (data.y[i] - ymean);
    }
    standard_errors_and_ratios(coef, cov, r.stderrs, r.tratios);
    infer_coefficients(e.result);
    e.result.set_size_scalars();
}

RobustEstimate estimate_quantile(const RobustData& data, const RobustControl& c) {
    RobustEstimate e;
    const QuantileFit fit = fit_quantile(data.x, data.y, data.n, c.tau, c.max_pivots);
    e.pivots = fit.pivots;
    if (fit.end != QuantileEnd::OPTIMAL) {
        e.end = fit.end == QuantileEnd::DEGENERATE ? RobustEnd::DEGENERATE : RobustEnd::PIVOT_LIMIT;
        return e;
    }
    e.basis = fit.basis;
    e.objective = fit.objective;
    std::vector<Real> cov;
    bool ok = false;
    switch (c.covariance) {
    case QuantileCovariance::IID:
        ok = iid_covariance(data, fit, c.tau, e, cov);
        break;
    case QuantileCovariance::KERNEL:
        ok = kernel_covariance(data, fit, c.tau, e, cov);
        break;
    case QuantileCovariance::BOOT:
        ok = boot_covariance(data, c, e, cov);
        break;
    }
    if (!ok) {
        e.end = RobustEnd::NO_SPREAD;
        return e;
    }
    fill_robust_result(data, fit.coef, cov, false, e);
    e.result.set_scalar(R_SSE, fit.objective);
    return e;
}

RobustEstimate estimate_robust(const RobustData& data, const RobustControl& control) {
    return control.method == RobustMethod::QUANTILE ? estimate_quantile(data, control)
                                                    : estimate_m(data, control);
}

} // namespace tarvex
