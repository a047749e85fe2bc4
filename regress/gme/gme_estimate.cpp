// GME's dual: the distributions over the supports at given multipliers, the dual's value,
// gradient and Newton step, and the estimates with their asymptotic covariance at its minimum.
#include "regress/gme/gme_estimate.hpp"

#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <cstddef>

namespace tarvex {

namespace {

// The distribution exp(-z_m u) / sum over one support: its log normaliser, mean and variance,
// and the probabilities when asked for.
struct SupportMoments {
    Real log_norm = 0, mean = 0, variance = 0, entropy = 0;
};

SupportMoments support_moments(const Real* z, int m, Real u, Real* p_out) {
    Real top = -z[0] * u;
    for (int j = 1; j < m; ++j) top = std::max(top, -z[j] * u);
    Real sum = 0;
    std::vector<Real> p(std::size_t(m), Real(0));
    for (int j = 0; j < m; ++j) sum += p[std::size_t(j)] = qm::exp(-z[j] * u - top);
    SupportMoments s;
    s.log_norm = top + qm::log(sum);
    for (int j = 0; j < m; ++j) {
        Real& pj = p[std::size_t(j)];
        pj /= sum;
        s.mean += pj * z[j];
        if (pj > 0) s.entropy -= pj * qm::log(pj);
    }
    for (int j = 0; j < m; ++j) {
        const Real d = z[j] - s.mean;
        s.variance += p[std::size_t(j)] * d * d;
    }
    if (p_out != nullptr) std::copy(p.begin(), p.end(), p_out);
    return s;
}

// The dual at lambda: its value, the means and variances of every support.
struct GmeDualPoint {
    Real value = 0;
    std::vector<SupportMoments> coef, error; // K, n
};

GmeDualPoint gme_dual_at(const GmeData& d, const std::vector<Real>& lambda) {
    const std::size_t n = d.y.size(), k = d.x.size();
    GmeDualPoint at;
    at.coef.resize(k), at.error.resize(n);
    for (std::size_t i = 0; i < n; ++i) at.value += d.y[i] * lambda[i];
    for (std::size_t c = 0; c < k; ++c) {
        Real u = 0;
        for (std::size_t i = 0; i < n; ++i) u += d.x[c][i] * lambda[i];
        at.coef[c] = support_moments(&d.bsupport[c * std::size_t(d.points)], d.points, u, nullptr);
        at.value += at.coef[c].log_norm;
    }
    const int j = int(d.esupport.size());
    for (std::size_t i = 0; i < n; ++i) {
        at.error[i] = support_moments(d.esupport.data(), j, lambda[i], nullptr);
        at.value += at.error[i].log_norm;
    }
    return at;
}

// The Newton step -H**-1 g with H = X S X' + D (S the coefficients' variances, D the errors'):
// H**-1 g = D**-1 g - D**-1 X S^1/2 A**-1 S^1/2 X' D**-1 g, A = I + S^1/2 X' D**-1 X S^1/2.
bool gme_newton_step(const GmeData& d, const GmeDualPoint& at, const std::vector<Real>& g,
                     std::vector<Real>& step) {
    const std::size_t n = d.y.size(), k = d.x.size();
    std::vector<Real> dinv_g(n), root_s(k);
    for (std::size_t i = 0; i < n; ++i) {
        if (!(at.error[i].variance > 0)) return false;
        dinv_g[i] = g[i] / at.error[i].variance;
    }
    for (std::size_t c = 0; c < k; ++c) root_s[c] = qm::sqrt(at.coef[c].variance);
    std::vector<Real> a(k * k, Real(0)), rhs(k, Real(0));
    for (std::size_t r = 0; r < k; ++r) {
        for (std::size_t c = 0; c <= r; ++c) {
            Real s = 0;
            for (std::size_t i = 0; i < n; ++i) s += d.x[r][i] * d.x[c][i] / at.error[i].variance;
            a[r * k + c] = a[c * k + r] = root_s[r] * s * root_s[c];
        }
        a[r * k + r] += 1;
        Real s = 0;
        for (std::size_t i = 0; i < n; ++i) s += d.x[r][i] * dinv_g[i];
        rhs[r] = root_s[r] * s;
    }
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(a, int(k), lower, failed)) return false;
    std::vector<Real> t = cholesky_solve(lower, int(k), rhs);
    for (std::size_t c = 0; c < k; ++c) t[c] *= root_s[c];
    step.assign(n, Real(0));
    for (std::size_t i = 0; i < n; ++i) {
        Real xt = 0;
        for (std::size_t c = 0; c < k; ++c) xt += d.x[c][i] * t[c];
        step[i] = -(dinv_g[i] - xt / at.error[i].variance);
    }
    return true;
}

std::vector<Real> gme_gradient(const GmeData& d, const GmeDualPoint& at) {
    const std::size_t n = d.y.size(), k = d.x.size();
    std::vector<Real> g(n);
    for (std::size_t i = 0; i < n; ++i) {
        Real fit = at.error[i].mean;
        for (std::size_t c = 0; c < k; ++c) fit += d.x[c][i] * at.coef[c].mean;
        g[i] = d.y[i] - fit;
    }
    return g;
}

// The estimates at the dual's minimum, with the covariance sigma2_beta (X'X)**-1.
void gme_finish(const GmeData& d, GmeEstimate& e) {
    const std::size_t n = d.y.size(), k = d.x.size();
    const int m = d.points, j = int(d.esupport.size());
    e.beta.assign(k, Real(0)), e.p.assign(k * std::size_t(m), Real(0));
    e.entropy_k.assign(k, Real(0));
    for (std::size_t c = 0; c < k; ++c) {
        Real u = 0;
        for (std::size_t i = 0; i < n; ++i) u += d.x[c][i] * e.lambda[i];
        const SupportMoments s =
            support_moments(&d.bsupport[c * std::size_t(m)], m, u, &e.p[c * std::size_t(m)]);
        e.beta[c] = s.mean;
        e.entropy_k[c] = s.entropy / qm::log(Real(m));
        e.entropy_beta += e.entropy_k[c] / Real(k);
        e.entropy += s.entropy;
    }
    e.errors.assign(n, Real(0)), e.fitted.assign(n, Real(0)), e.residuals.assign(n, Real(0));
    Real lambda2 = 0, inverse_variance = 0, ybar = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const SupportMoments s = support_moments(d.esupport.data(), j, e.lambda[i], nullptr);
        e.errors[i] = s.mean;
        e.entropy_errors += s.entropy;
        e.entropy += s.entropy;
        lambda2 += e.lambda[i] * e.lambda[i];
        inverse_variance += 1 / s.variance;
        for (std::size_t c = 0; c < k; ++c) e.fitted[i] += d.x[c][i] * e.beta[c];
        e.residuals[i] = d.y[i] - e.fitted[i];
        e.sse += e.residuals[i] * e.residuals[i];
        ybar += d.y[i] / Real(n);
    }
    e.entropy_errors /= Real(n) * qm::log(Real(j));
    for (std::size_t i = 0; i < n; ++i) e.sst += (d.y[i] - ybar) * (d.y[i] - ybar);
    e.r2 = e.sst > 0 ? 1 - e.sse / e.sst : Real(0);
    const Real mean_inverse = inverse_variance / Real(n);
    e.sigma2_beta = (lambda2 / Real(n)) / (mean_inverse * mean_inverse);
    std::vector<Real> xtx(k * k, Real(0)), lower;
    for (std::size_t r = 0; r < k; ++r)
        for (std::size_t c = 0; c <= r; ++c) {
            Real s = 0;
            for (std::size_t i = 0; i < n; ++i) s += d.x[r][i] * d.x[c][i];
            xtx[r * k + c] = xtx[c * k + r] = s;
        }
    int failed = -1;
    if (!cholesky_factor(xtx, int(k), lower, failed, Real(1e-30Q))) {
        e.end = GmeEnd::SINGULAR;
        return;
    }
    e.cov = cholesky_inverse(lower, int(k));
    for (Real& v : e.cov) v *= e.sigma2_beta;
}

} // namespace

GmeEstimate estimate_gme(const GmeData& data, const GmeControl& control) {
    GmeEstimate e;
    const std::size_t n = data.y.size();
    e.lambda.assign(n, Real(0));
    GmeDualPoint at = gme_dual_at(data, e.lambda);
    for (;;) {
        const std::vector<Real> g = gme_gradient(data, at);
        std::vector<Real> step;
        if (!gme_newton_step(data, at, g, step)) {
            e.end = GmeEnd::NO_OPTIMUM;
            return e;
        }
        // The Newton decrement g' H**-1 g: half of it is the decrease a full step promises.
        Real decrement = 0;
        for (std::size_t i = 0; i < n; ++i) decrement -= g[i] * step[i];
        if (decrement <= control.tolerance * (1 + qm::abs(at.value))) break;
        if (e.iterations >= control.max_iterations) {
            e.end = GmeEnd::NO_OPTIMUM;
            return e;
        }
        ++e.iterations;
        // Backtracking: halve the step until the dual falls by a quarter of what it promises.
        Real t = 1;
        bool moved = false;
        for (int halving = 0; halving < 80 && !moved; ++halving, t /= 2) {
            std::vector<Real> trial(e.lambda);
            for (std::size_t i = 0; i < n; ++i) trial[i] += t * step[i];
            GmeDualPoint next = gme_dual_at(data, trial);
            if (next.value <= at.value - t * decrement / 4) {
                e.lambda = std::move(trial);
                at = std::move(next);
                moved = true;
            }
        }
        if (!moved) {
            // At the limit of the arithmetic: the minimum to working precision, unless the
            // promised decrease is still large.
            if (decrement > 1e-20Q * (1 + qm::abs(at.value))) e.end = GmeEnd::NO_OPTIMUM;
            if (e.end == GmeEnd::NO_OPTIMUM) return e;
            break;
        }
    }
    gme_finish(data, e);
    return e;
}

} // namespace tarvex
