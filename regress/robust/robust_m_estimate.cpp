// Huber and bisquare M-estimation: weighted least squares repeated with the weights psi(u/s)/(u/s)
// of the residuals scaled by s = median|u| / 0.6745, from the least-squares fit, until the
// residuals change by less than the tolerance (relative root sum of squares). The covariance is
// s_psi**2 (X'X)^-1 with s_psi = qm::sqrt(sum (w u)**2 / (n - k)) kappa / mean(psi'), kappa the
// small-sample correction 1 + k var(psi') / (n mean(psi')**2).
#include "regress/robust/robust_estimate.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

Real m_default_tuning(RobustMethod m) {
    return m == RobustMethod::HUBER ? 1.345Q : 4.685Q;
}

// The weight psi(u)/u.
Real m_weight(RobustMethod m, Real u, Real c) {
    const Real a = qm::abs(u);
    if (m == RobustMethod::HUBER) return a <= c ? Real(1) : c / a;
    if (a >= c) return 0;
    const Real t = (u / c) * (u / c);
    return (1 - t) * (1 - t);
}

// The derivative psi'(u).
Real m_slope(RobustMethod m, Real u, Real c) {
    if (m == RobustMethod::HUBER) return qm::abs(u) <= c ? Real(1) : Real(0);
    const Real t = (u / c) * (u / c);
    return t < 1 ? (1 - t) * (1 - 5 * t) : Real(0);
}

Real m_median(std::vector<Real> v) {
    const std::size_t n = v.size(), h = n / 2;
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(h), v.end());
    if (n % 2 == 1) return v[h];
    const Real upper = v[h];
    const Real lower = *std::max_element(v.begin(), v.begin() + std::ptrdiff_t(h));
    return (lower + upper) / 2;
}

// Weighted least squares: the coefficients and residuals; false when X'WX is singular.
bool m_weighted_fit(const RobustData& data, const std::vector<Real>& w, std::vector<Real>& coef,
                    std::vector<Real>& resid) {
    const std::size_t n = data.n, k = data.x.size();
    const std::vector<Real> inv = robust_weighted_inverse(data, w);
    if (inv.empty()) return false;
    std::vector<Real> xty(k, Real(0));
    for (std::size_t j = 0; j < k; ++j)
        for (std::size_t i = 0; i < n; ++i)
            xty[j] += (w.empty() ? Real(1) : w[i]) * robust_x(data, j, i) * data.y[i];
    coef.assign(k, Real(0));
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b) coef[a] += inv[a * k + b] * xty[b];
    resid.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        Real f = 0;
        for (std::size_t j = 0; j < k; ++j) f += coef[j] * robust_x(data, j, i);
        resid[i] = data.y[i] - f;
    }
    return true;
}

Real m_scale(const std::vector<Real>& resid) {
    std::vector<Real> a(resid.size());
    for (std::size_t i = 0; i < resid.size(); ++i) a[i] = qm::abs(resid[i]);
    return m_median(std::move(a)) / 0.6745Q;
}

} // namespace

RobustEstimate estimate_m(const RobustData& data, const RobustControl& c) {
    RobustEstimate e;
    const std::size_t n = data.n, k = data.x.size();
    const Real tuning = c.tuning > 0 ? c.tuning : m_default_tuning(c.method);
    std::vector<Real> coef, resid, w(n);
    if (!m_weighted_fit(data, {}, coef, resid)) {
        e.end = RobustEnd::DEGENERATE;
        return e;
    }
    // A scale this small beside the data is rounding: the residuals are zero.
    Real size_of_y = 0;
    for (std::size_t i = 0; i < n; ++i) size_of_y = std::max(size_of_y, qm::abs(data.y[i]));
    bool converged = false;
    for (int it = 1; it <= c.max_iterations && !converged; ++it) {
        e.iterations = it;
        e.scale = m_scale(resid);
        if (!(e.scale > Real(1e-25Q) * size_of_y)) {
            e.end = RobustEnd::ZERO_SCALE;
            return e;
        }
        for (std::size_t i = 0; i < n; ++i) w[i] = m_weight(c.method, resid[i] / e.scale, tuning);
        const std::vector<Real> before = resid;
        if (!m_weighted_fit(data, w, coef, resid)) {
            e.end = RobustEnd::DEGENERATE;
            return e;
        }
        Real change = 0, size = 0;
        for (std::size_t i = 0; i < n; ++i) {
            change += (before[i] - resid[i]) * (before[i] - resid[i]);
            size += before[i] * before[i];
        }
        converged = qm::sqrt(change / std::max(size, Real(1e-20Q))) <= c.tolerance;
    }
    if (!converged) {
        e.end = RobustEnd::ITERATION_LIMIT;
        return e;
    }
    Real weighted = 0, m1 = 0, m2 = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Real u = resid[i] / e.scale;
        const Real wu = m_weight(c.method, u, tuning) * resid[i];
        weighted += wu * wu;
        const Real d = m_slope(c.method, u, tuning);
        m1 += d;
        m2 += d * d;
    }
    const Real nn = Real(n), mean = m1 / nn;
    if (!(mean > 0)) {
        e.end = RobustEnd::NO_SPREAD;
        return e;
    }
    const Real kappa = 1 + Real(k) * (m2 - m1 * m1 / nn) / (nn - 1) / (nn * mean * mean);
    const Real sd = qm::sqrt(weighted / Real(n - k)) * kappa / mean;
    std::vector<Real> cov = robust_weighted_inverse(data, {});
    for (Real& v : cov) v *= sd * sd;
    fill_robust_result(data, coef, cov, true, e);
    e.objective = e.result.record.sse;
    e.result.record.sigma = e.scale;
    e.result.set_scalar(R_SSE, e.objective);
    return e;
}

} // namespace tarvex
