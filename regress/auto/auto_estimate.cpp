// Estimating a regression with AR(1) or AR(2) errors from the cross-products of the data and its
// lags: each trial rho is a small Cholesky factor of the transformed cross-product matrix, so the
// iterations and the likelihood's derivatives cost nothing that grows with the sample.
#include "regress/auto/auto_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/ar_moments.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/forecast_parts.hpp"

#include <algorithm>

namespace tarvex {

namespace {

const Real LOG_2PI = 1.837877066409345483560659472811235279723Q;
// Steps of the numerical derivatives, relative to a parameter's size (at least 1): their
// truncation and rounding errors both stay near 1e-17 of the derivative in binary128.
const Real RHO_STEP = 1e-10Q;
const Real HESSIAN_STEP = 1e-8Q;
constexpr int MAX_HALVINGS = 80;

struct Problem {
    const ArMoments& moments;
    int n, k, p;
};

GramFit fit_at(const Problem& pr, const std::vector<Real>& rho, bool keep_first) {
    return gram_cholesky_solve(transformed_gram(pr.moments, rho, keep_first),
                               keep_first ? pr.n : pr.n - pr.p, DEPENDENCE_RATIO);
}

Real gaussian_llf(Real rows, Real sse) {
    return -rows / 2 * (LOG_2PI + 1 + qm::log(sse / rows));
}

// The exact log-likelihood at rho with b and sigma^2 concentrated out; -inf outside the
// stationarity region or when the fit fails.
Real concentrated_llf(const Problem& pr, const std::vector<Real>& rho) {
    if (!ar_stationary(rho)) return -HUGE_VALQ;
    const GramFit f = fit_at(pr, rho, true);
    if (!f.ok() || !(f.sse > 0)) return -HUGE_VALQ;
    return gaussian_llf(Real(pr.n), f.sse) + ar_log_det(rho);
}

// The same with b given: the function whose Hessian gives the covariance of (b, rho).
Real llf_at(const Problem& pr, const std::vector<Real>& theta) {
    const std::vector<Real> b(theta.begin(), theta.begin() + pr.k);
    const std::vector<Real> rho(theta.begin() + pr.k, theta.end());
    if (!ar_stationary(rho)) return -HUGE_VALQ;
    return gaussian_llf(Real(pr.n), transformed_sse(pr.moments, rho, true, b)) + ar_log_det(rho);
}

Real step_of(Real v, Real relative) {
    return relative * (qm::abs(v) + 1);
}

// Central differences of f at x: the gradient and the Hessian (row-major).
template <class F>
void numeric_derivatives(F&& f, const std::vector<Real>& x, Real relative,
                         std::vector<Real>& gradient, std::vector<Real>& hessian) {
    const std::size_t d = x.size();
    const Real f0 = f(x);
    gradient.assign(d, 0);
    hessian.assign(d * d, 0);
    std::vector<Real> h(d);
    for (std::size_t a = 0; a < d; ++a) h[a] = step_of(x[a], relative);
    for (std::size_t a = 0; a < d; ++a) {
        std::vector<Real> up = x, down = x;
        up[a] += h[a];
        down[a] -= h[a];
        const Real fu = f(up), fd = f(down);
        gradient[a] = (fu - fd) / (2 * h[a]);
        hessian[a * d + a] = (fu - 2 * f0 + fd) / (h[a] * h[a]);
        for (std::size_t b = 0; b < a; ++b) {
            std::vector<Real> pp = x, pm = x, mp = x, mm = x;
            pp[a] += h[a], pp[b] += h[b];
            pm[a] += h[a], pm[b] -= h[b];
            mp[a] -= h[a], mp[b] += h[b];
            mm[a] -= h[a], mm[b] -= h[b];
            const Real v = (f(pp) - f(pm) - f(mp) + f(mm)) / (4 * h[a] * h[b]);
            hessian[a * d + b] = hessian[b * d + a] = v;
        }
    }
}

// rho from the residuals' lag products: the regression of u_t on u_(t-1) .. u_(t-p).
bool rho_from_residuals(const std::vector<Real>& r, int p, std::vector<Real>& rho,
                        std::vector<Real>& inverse) {
    const int q = p + 1;
    std::vector<Real> a(static_cast<std::size_t>(p * p)), rhs(static_cast<std::size_t>(p)), lower;
    for (int i = 0; i < p; ++i) {
        rhs[std::size_t(i)] = r[std::size_t(i + 1)]; // sum u_t u_(t-i-1)
        for (int j = 0; j < p; ++j) a[std::size_t(i) * p + j] = r[std::size_t(i + 1) * q + j + 1];
    }
    int failed = -1;
    if (!cholesky_factor(a, p, lower, failed, Real(1e-30Q))) return false;
    rho = cholesky_solve(lower, p, rhs);
    inverse = cholesky_inverse(lower, p);
    return true;
}

// d log |det P| / d rho.
std::vector<Real> log_det_gradient(const std::vector<Real>& rho) {
    if (rho.size() == 1) return {-rho[0] / (1 - rho[0] * rho[0])};
    const Real r1 = rho[0], r2 = rho[1], d = (1 - r2) * (1 - r2) - r1 * r1;
    return {-r1 / d, 1 / (1 + r2) - (1 - r2) / d};
}

// The gradient of the concentrated log-likelihood at rho. By the envelope theorem it is that of
// -n/2 log SSE(b, rho) + log |det P| at the b of rho held fixed; SSE(b, .) is a polynomial of
// degree two in rho but for the first rows' factors, so its central differences, extrapolated
// once (Richardson), are exact to far below the sum's rounding.
bool llf_gradient(const Problem& pr, const std::vector<Real>& rho, std::vector<Real>& gradient) {
    const GramFit f = fit_at(pr, rho, true);
    if (!f.ok() || !(f.sse > 0)) return false;
    gradient = log_det_gradient(rho);
    const Real step = Real(1e-4Q);
    for (std::size_t l = 0; l < rho.size(); ++l) {
        auto central = [&](Real h) {
            std::vector<Real> up = rho, down = rho;
            up[l] += h;
            down[l] -= h;
            return (transformed_sse(pr.moments, up, true, f.coef) -
                    transformed_sse(pr.moments, down, true, f.coef)) /
                   (2 * h);
        };
        const Real coarse = central(step), fine = central(step / 2);
        const Real slope = (4 * fine - coarse) / 3;
        gradient[l] -= Real(pr.n) / (2 * f.sse) * slope;
    }
    return true;
}

// Newton's method on the concentrated log-likelihood (the gradient as above, its Jacobian by
// differences), halving steps that lose or leave the stationarity region.
AutoEnd maximise_rho(const Problem& pr, const AutoControl& c, std::vector<Real>& rho,
                     AutoEstimate& e) {
    const std::size_t d = rho.size();
    Real value = concentrated_llf(pr, rho);
    for (int it = 1; it <= c.max_iterations; ++it) {
        std::vector<Real> g, lower;
        if (!llf_gradient(pr, rho, g)) return AutoEnd::SINGULAR;
        std::vector<Real> minus(d * d);
        for (std::size_t b = 0; b < d; ++b) {
            std::vector<Real> moved = rho, gb;
            const Real h = step_of(rho[b], RHO_STEP);
            moved[b] += h;
            if (!ar_stationary(moved) || !llf_gradient(pr, moved, gb)) {
                moved[b] -= 2 * h;
                if (!llf_gradient(pr, moved, gb)) return AutoEnd::SINGULAR;
                for (std::size_t a = 0; a < d; ++a) minus[a * d + b] = (gb[a] - g[a]) / h;
            } else {
                for (std::size_t a = 0; a < d; ++a) minus[a * d + b] = -(gb[a] - g[a]) / h;
            }
        }
        for (std::size_t a = 0; a < d; ++a) // symmetric, as the Hessian is
            for (std::size_t b = 0; b < a; ++b)
                minus[a * d + b] = minus[b * d + a] = (minus[a * d + b] + minus[b * d + a]) / 2;
        int failed = -1;
        std::vector<Real> step(d);
        if (cholesky_factor(minus, pr.p, lower, failed)) {
            step = cholesky_solve(lower, pr.p, g);
        } else { // not concave here: a short step up the gradient
            for (std::size_t a = 0; a < d; ++a)
                step[a] = g[a] / (qm::abs(minus[a * d + a]) + Real(pr.n));
        }
        Real t = 1;
        std::vector<Real> next(d);
        Real next_value = -HUGE_VALQ;
        for (int halving = 0; halving <= MAX_HALVINGS; ++halving, t /= 2) {
            for (std::size_t a = 0; a < d; ++a) next[a] = rho[a] + t * step[a];
            next_value = concentrated_llf(pr, next);
            if (next_value >= value) break;
        }
        Real largest = 0;
        for (std::size_t a = 0; a < d; ++a) largest = std::max(largest, qm::abs(next[a] - rho[a]));
        const bool better = next_value >= value;
        const bool level = next_value == value; // a step the log-likelihood no longer sees
        if (better) {
            rho = next;
            value = next_value;
        }
        e.iterations = it;
        e.history.push_back(rho);
        e.history_value.push_back(value);
        // The full Newton step below the tolerance: the point in hand is the maximum to within it.
        if (largest < c.tolerance || !better || (level && largest < qm::sqrt(c.tolerance)))
            return AutoEnd::CONVERGED;
    }
    return AutoEnd::ITERATION_LIMIT;
}

// Cochrane-Orcutt or Prais-Winsten: the regression at rho, then rho from its residuals, until
// rho settles.
AutoEnd iterate_rho(const Problem& pr, const AutoControl& c, std::vector<Real>& rho,
                    AutoEstimate& e) {
    const bool keep_first = c.method == AutoMethod::PW;
    for (int it = 1; it <= c.max_iterations; ++it) {
        const GramFit f = fit_at(pr, rho, keep_first);
        if (!f.ok()) {
            e.bad_column = f.failed_column;
            return AutoEnd::SINGULAR;
        }
        std::vector<Real> next, inverse;
        if (!rho_from_residuals(residual_lag_products(pr.moments, f.coef), pr.p, next, inverse))
            return AutoEnd::SINGULAR;
        Real largest = 0;
        for (std::size_t a = 0; a < rho.size(); ++a)
            largest = std::max(largest, qm::abs(next[a] - rho[a]));
        rho = next;
        e.iterations = it;
        e.history.push_back(rho);
        e.history_value.push_back(f.sse);
        if (!ar_stationary(rho)) return AutoEnd::NONSTATIONARY;
        if (largest < c.tolerance) return AutoEnd::CONVERGED;
    }
    return AutoEnd::ITERATION_LIMIT;
}

// The residual pass at the estimates: u = y - X b, the one-step predictions and innovations, and
// the transformed residuals' Durbin-Watson ratio.
void residuals(const AutoData& data, const AutoControl& c, AutoEstimate& e) {
    const std::size_t n = data.n;
    const int p = e.order;
    std::vector<Real> xb(n, Real(0));
    for (std::size_t j = 0; j < data.x.size(); ++j) {
        if (data.x[j] == nullptr) {
            for (Real& v : xb) v += e.coef[j];
        } else {
            fused_axpy(xb.data(), -e.coef[j], data.x[j], n);
        }
    }
    e.structural.resize(n);
    e.predicted.resize(n);
    e.innovations.resize(n);
    for (std::size_t t = 0; t < n; ++t) e.structural[t] = data.y[t] - xb[t];
    std::vector<Real> transformed;
    if (c.method != AutoMethod::CORC)
        transformed = transform_first_values(e.rho, e.structural.data());
    Real mean = 0;
    for (std::size_t t = 0; t < n; ++t) mean += data.y[t];
    mean /= Real(n);
    Real sst = 0, ssi = 0;
    for (std::size_t t = 0; t < n; ++t) {
        Real ar = 0;
        if (t >= std::size_t(p))
            for (int i = 1; i <= p; ++i)
                ar += e.rho[std::size_t(i - 1)] * e.structural[t - std::size_t(i)];
        e.predicted[t] = xb[t] + ar;
        e.innovations[t] = data.y[t] - e.predicted[t];
        if (t >= std::size_t(p)) transformed.push_back(e.innovations[t]);
        sst += (data.y[t] - mean) * (data.y[t] - mean);
        ssi += e.innovations[t] * e.innovations[t];
    }
    Real num = 0, den = 0;
    for (std::size_t t = 0; t < transformed.size(); ++t) {
        den += transformed[t] * transformed[t];
        if (t > 0)
            num += (transformed[t] - transformed[t - 1]) * (transformed[t] - transformed[t - 1]);
    }
    e.dw = den > 0 ? num / den : Real(0);
    e.r2 = sst > 0 ? 1 - ssi / sst : Real(0);
}

// The result of a converged estimate: b then rho as one coefficient vector with the covariance
// of both, the inference of each part under its own law, the record's summary and the scalars.
void finish_auto_result(AutoEstimate& e, bool ml) {
    ModelResult& m = e.result;
    EstimationResults& r = m.record;
    const std::size_t k = e.coef.size();
    r.coef = e.coef;
    r.coef.insert(r.coef.end(), e.rho.begin(), e.rho.end());
    r.stderrs = e.se;
    r.stderrs.insert(r.stderrs.end(), e.rho_se.begin(), e.rho_se.end());
    r.tratios.resize(r.coef.size());
    for (std::size_t j = 0; j < r.coef.size(); ++j)
        r.tratios[j] = r.stderrs[j] > 0 ? r.coef[j] / r.stderrs[j] : Real(0);
    r.cov = e.full_cov;
    r.n = e.n;
    r.k = e.k;
    r.df = Real(e.rows_used - e.k);
    r.asymptotic = ml;
    // The regression's ratios by t after the iterations (by the normal under ML), rho's always
    // by the normal.
    const std::vector<Real> b_ratios(r.tratios.begin(), r.tratios.begin() + std::ptrdiff_t(k));
    const std::vector<Real> rho_ratios(r.tratios.begin() + std::ptrdiff_t(k), r.tratios.end());
    std::vector<Real> rho_p, rho_partial;
    coefficient_inference(b_ratios, r.df, ml, r.pvalues, m.partials);
    coefficient_inference(rho_ratios, r.df, true, rho_p, rho_partial);
    r.pvalues.insert(r.pvalues.end(), rho_p.begin(), rho_p.end());
    m.partials.insert(m.partials.end(), rho_partial.begin(), rho_partial.end());
    r.mean_terms = int(k);
    auto errors = std::make_shared<AutocorrelationPart>();
    errors->rho = e.rho;
    r.model = std::move(errors);
    r.predicted = e.predicted;
    r.residuals = e.innovations; // the one-step prediction errors, as RESID= stores them
    r.sse = e.sse;
    r.sigma = qm::sqrt(e.sigma2);
    r.rsqr = e.r2;
    r.has_llf = true;
    r.llf = e.llf;
    m.set_scalar(R_LLF, e.llf);
    m.set_scalar(R_N, e.n);
    m.set_scalar(R_K, e.k);
    m.set_scalar(R_DF, r.df);
    m.set_scalar(R_SSE, e.sse);
    m.set_scalar(R_SIG2, e.sigma2);
    m.set_scalar(R_R2, e.r2);
    m.set_scalar(R_DW, e.dw);
    m.set_scalar(R_RHO, e.rho[0]);
}

} // namespace

AutoEstimate estimate_auto(const AutoData& data, const AutoControl& c) {
    AutoEstimate e;
    const int k = static_cast<int>(data.x.size()), p = c.order;
    e.n = static_cast<int>(data.n);
    e.k = k;
    e.order = p;
    std::vector<const Real*> columns = data.x;
    columns.push_back(data.y);
    const ArMoments moments = ar_moments(columns, data.n, p);
    if (!moments.finite()) {
        e.end = AutoEnd::NOT_FINITE;
        return e;
    }
    const Problem pr{moments, e.n, k, p};

    // Start: rho from the least-squares residuals (rho = 0 is least squares on every row).
    std::vector<Real> rho(std::size_t(p), Real(0));
    if (c.method == AutoMethod::ML) {
        const GramFit ols = fit_at(pr, rho, true);
        if (!ols.ok()) {
            e.end = AutoEnd::SINGULAR;
            e.bad_column = ols.failed_column;
            return e;
        }
        std::vector<Real> start, inverse;
        if (rho_from_residuals(residual_lag_products(moments, ols.coef), p, start, inverse))
            rho = start;
        while (!ar_stationary(rho))
            for (Real& r : rho) r *= Real(0.9Q);
        e.end = maximise_rho(pr, c, rho, e);
    } else {
        e.end = iterate_rho(pr, c, rho, e);
    }
    e.rho = rho;
    if (e.end == AutoEnd::SINGULAR || e.end == AutoEnd::NONSTATIONARY) return e;

    const bool keep_first = c.method != AutoMethod::CORC;
    const GramFit f = fit_at(pr, rho, keep_first);
    if (!f.ok()) {
        e.end = AutoEnd::SINGULAR;
        e.bad_column = f.failed_column;
        return e;
    }
    e.rows_used = keep_first ? e.n : e.n - p;
    e.coef = f.coef;
    e.sse = f.sse;
    e.cov.assign(std::size_t(k) * k, Real(0));
    e.rho_se.assign(std::size_t(p), Real(0));
    if (c.method == AutoMethod::ML) {
        e.sigma2 = f.sse / Real(e.n);
        e.llf = gaussian_llf(Real(e.n), f.sse) + ar_log_det(rho);
        // The covariance of (b, rho): minus the inverse Hessian of the log-likelihood with
        // sigma^2 concentrated out.
        std::vector<Real> theta = e.coef;
        theta.insert(theta.end(), rho.begin(), rho.end());
        std::vector<Real> g, h, lower;
        numeric_derivatives([&](const std::vector<Real>& t) { return llf_at(pr, t); }, theta,
                            HESSIAN_STEP, g, h);
        for (Real& v : h) v = -v;
        int failed = -1;
        const int d = k + p;
        if (!cholesky_factor(h, d, lower, failed)) {
            e.end = AutoEnd::SINGULAR;
            e.bad_column = failed < k ? failed : -1;
            return e;
        }
        const std::vector<Real> inverse = cholesky_inverse(lower, d);
        e.full_cov = inverse;
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b)
                e.cov[std::size_t(a) * k + b] = inverse[std::size_t(a) * d + b];
        for (int i = 0; i < p; ++i)
            e.rho_se[std::size_t(i)] =
                qm::sqrt(inverse[std::size_t(k + i) * d + std::size_t(k + i)]);
    } else {
        e.sigma2 = f.sse / Real(e.rows_used - k);
        e.llf = keep_first ? gaussian_llf(Real(e.n), f.sse) + ar_log_det(rho)
                           : gaussian_llf(Real(e.rows_used), f.sse);
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b)
                e.cov[std::size_t(a) * k + b] = e.sigma2 * f.inverse_at(a, b);
        const int d = k + p;
        e.full_cov.assign(std::size_t(d) * d, Real(0));
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b)
                e.full_cov[std::size_t(a) * d + b] = e.cov[std::size_t(a) * k + b];
        std::vector<Real> again, inverse;
        const std::vector<Real> r = residual_lag_products(moments, f.coef);
        if (rho_from_residuals(r, p, again, inverse)) {
            Real explained = 0;
            for (int i = 0; i < p; ++i) explained += again[std::size_t(i)] * r[std::size_t(i + 1)];
            const Real s2 = (r[0] - explained) / Real(e.n - 2 * p);
            for (int i = 0; i < p; ++i)
                for (int j = 0; j < p; ++j)
                    e.full_cov[std::size_t(k + i) * d + std::size_t(k + j)] =
                        s2 * inverse[std::size_t(i) * p + std::size_t(j)];
            for (int i = 0; i < p; ++i)
                e.rho_se[std::size_t(i)] =
                    qm::sqrt(s2 * inverse[std::size_t(i) * p + std::size_t(i)]);
        }
    }
    e.se.resize(std::size_t(k));
    for (int j = 0; j < k; ++j) e.se[std::size_t(j)] = qm::sqrt(e.cov[std::size_t(j) * k + j]);
    residuals(data, c, e);
    if (e.end == AutoEnd::CONVERGED) finish_auto_result(e, c.method == AutoMethod::ML);
    return e;
}

} // namespace tarvex
