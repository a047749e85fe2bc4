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
// Steps of the numerical derivatives, relative to a parameter's size plus its own scale (see
// step_of): their truncation and rounding errors both stay near 1e-17 of the derivative in
// binary128.
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

// A step of relative size for a parameter of value v whose own scale (a change the
// log-likelihood feels, such as its standard error) is `scale`: a coefficient near zero is then
// stepped in its own units, whatever the units of the data.
Real step_of(Real v, Real relative, Real scale = 1) {
    return relative * (qm::abs(v) + scale);
}

// Central differences of f at x, steps h: the gradient and the Hessian (row-major).
template <class F>
void numeric_derivatives(F&& f, const std::vector<Real>& x, const std::vector<Real>& h,
                         std::vector<Real>& gradient, std::vector<Real>& hessian) {
    const std::size_t d = x.size();
    const Real f0 = f(x);
    gradient.assign(d, 0);
    hessian.assign(d * d, 0);
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
        check_for_interrupt(c.interrupt);
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
        check_for_interrupt(c.interrupt);
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

// The residual pass at the estimates b and rho: u = y - X b, the one-step predictions and their
// errors (into the record), their R-square, and the transformed residuals' Durbin-Watson ratio.
void residuals(const AutoData& data, const AutoControl& c, const std::vector<Real>& b,
               AutoEstimate& e) {
    const std::size_t n = data.n;
    const int p = e.order;
    EstimationResults& r = e.result.record;
    std::vector<Real> xb(n, Real(0)), structural(n);
    for (std::size_t j = 0; j < data.x.size(); ++j) {
        if (data.x[j] == nullptr) {
            for (Real& v : xb) v += b[j];
        } else {
            fused_axpy(xb.data(), -b[j], data.x[j], n);
        }
    }
    r.predicted.resize(n);
    r.residuals.resize(n); // the one-step prediction errors, as RESID= stores them
    for (std::size_t t = 0; t < n; ++t) structural[t] = data.y[t] - xb[t];
    std::vector<Real> transformed;
    if (c.method != AutoMethod::CORC)
        transformed = transform_first_values(e.rho, structural.data());
    Real mean = 0;
    for (std::size_t t = 0; t < n; ++t) mean += data.y[t];
    mean /= Real(n);
    Real sst = 0, ssi = 0;
    for (std::size_t t = 0; t < n; ++t) {
        Real ar = 0;
        if (t >= std::size_t(p))
            for (int i = 1; i <= p; ++i)
                ar += e.rho[std::size_t(i - 1)] * structural[t - std::size_t(i)];
        r.predicted[t] = xb[t] + ar;
        r.residuals[t] = data.y[t] - r.predicted[t];
        if (t >= std::size_t(p)) transformed.push_back(r.residuals[t]);
        sst += (data.y[t] - mean) * (data.y[t] - mean);
        ssi += r.residuals[t] * r.residuals[t];
    }
    Real num = 0, den = 0;
    for (std::size_t t = 0; t < transformed.size(); ++t) {
        den += transformed[t] * transformed[t];
        if (t > 0)
            num += (transformed[t] - transformed[t - 1]) * (transformed[t] - transformed[t - 1]);
    }
    e.dw = den > 0 ? num / den : Real(0);
    r.rsqr = sst > 0 ? 1 - ssi / sst : Real(0);
}

// The covariance of (b, rho), K + p square: minus the inverse Hessian of the log-likelihood
// with sigma^2 concentrated out. False (and the regressor at fault) when it is not concave.
// Each coefficient of b is stepped in units of its standard error at rho (which scales with
// y and its regressor), rho in units of one.
bool ml_covariance(const Problem& pr, const GramFit& f, const std::vector<Real>& rho,
                   std::vector<Real>& cov, int& bad_column) {
    const std::vector<Real>& b = f.coef;
    std::vector<Real> theta = b;
    theta.insert(theta.end(), rho.begin(), rho.end());
    std::vector<Real> steps;
    const Real sigma2 = f.sse / Real(pr.n);
    for (int a = 0; a < pr.k; ++a)
        steps.push_back(step_of(b[std::size_t(a)], HESSIAN_STEP,
                                qm::sqrt(sigma2 * qm::abs(f.inverse_at(a, a)))));
    for (const Real r : rho) steps.push_back(step_of(r, HESSIAN_STEP));
    std::vector<Real> g, h, lower;
    numeric_derivatives([&](const std::vector<Real>& t) { return llf_at(pr, t); }, theta, steps, g,
                        h);
    for (Real& v : h) v = -v;
    int failed = -1;
    const int d = pr.k + pr.p;
    if (!cholesky_factor(h, d, lower, failed)) {
        bad_column = failed < pr.k ? failed : -1;
        return false;
    }
    cov = cholesky_inverse(lower, d);
    return true;
}

// After the iterations: the regression's block from the fit at rho, rho's from the residuals'
// regression, with no covariance between the two (each is estimated given the other).
std::vector<Real> iterated_covariance(const Problem& pr, const GramFit& f, Real sigma2) {
    const int k = pr.k, p = pr.p, d = k + p;
    std::vector<Real> cov(std::size_t(d) * d, Real(0));
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) cov[std::size_t(a) * d + b] = sigma2 * f.inverse_at(a, b);
    std::vector<Real> again, inverse;
    const std::vector<Real> r = residual_lag_products(pr.moments, f.coef);
    if (rho_from_residuals(r, p, again, inverse)) {
        Real explained = 0;
        for (int i = 0; i < p; ++i) explained += again[std::size_t(i)] * r[std::size_t(i + 1)];
        const Real s2 = (r[0] - explained) / Real(pr.n - 2 * p);
        for (int i = 0; i < p; ++i)
            for (int j = 0; j < p; ++j)
                cov[std::size_t(k + i) * d + std::size_t(k + j)] =
                    s2 * inverse[std::size_t(i) * p + std::size_t(j)];
    }
    return cov;
}

// The record of the estimates: b then rho as one coefficient vector with the covariance of both,
// the inference of each part under its own law, the summary and the scalars.
void fill_auto_result(const GramFit& f, int rows_used, Real llf, bool ml, AutoEstimate& e) {
    ModelResult& m = e.result;
    EstimationResults& r = m.record;
    const std::size_t k = f.coef.size();
    r.coef = f.coef;
    r.coef.insert(r.coef.end(), e.rho.begin(), e.rho.end());
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    r.df = Real(rows_used - r.k);
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
    r.sse = f.sse;
    r.sigma = qm::sqrt(e.sigma2);
    r.has_llf = true;
    r.llf = llf;
    m.set_scalar(R_LLF, llf);
    m.set_size_scalars();
    m.set_scalar(R_SSE, f.sse);
    m.set_scalar(R_SIG2, e.sigma2);
    m.set_scalar(R_R2, r.rsqr);
    m.set_scalar(R_DW, e.dw);
    m.set_scalar(R_RHO, e.rho[0]);
}

} // namespace

AutoEstimate estimate_auto(const AutoData& data, const AutoControl& c) {
    AutoEstimate e;
    const int n = static_cast<int>(data.n), k = static_cast<int>(data.x.size()), p = c.order;
    e.result.record.n = n;
    e.result.record.k = k;
    e.order = p;
    std::vector<const Real*> columns = data.x;
    columns.push_back(data.y);
    const ArMoments moments = ar_moments(columns, data.n, p);
    if (!moments.finite()) {
        e.end = AutoEnd::NOT_FINITE;
        return e;
    }
    const Problem pr{moments, n, k, p};

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
    const int rows_used = keep_first ? n : n - p;
    const bool ml = c.method == AutoMethod::ML;
    EstimationResults& r = e.result.record;
    if (ml && !ml_covariance(pr, f, rho, r.cov, e.bad_column)) {
        e.end = AutoEnd::SINGULAR;
        return e;
    }
    e.sigma2 = f.sse / Real(ml ? n : rows_used - k);
    if (!ml) r.cov = iterated_covariance(pr, f, e.sigma2);
    const Real llf = keep_first ? gaussian_llf(Real(n), f.sse) + ar_log_det(rho)
                                : gaussian_llf(Real(rows_used), f.sse);
    if (e.end != AutoEnd::CONVERGED) return e;
    residuals(data, c, f.coef, e);
    fill_auto_result(f, rows_used, llf, ml, e);
    return e;
}

} // namespace tarvex
