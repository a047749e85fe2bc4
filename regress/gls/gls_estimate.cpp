// Generalised least squares by whitening the rows.
#include "regress/gls/gls_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/symmetric_solve.hpp"
#include "kernels/value_range.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"

#include <cstddef>

namespace tarvex {

namespace {

const Real LOG_TWO_PI = 1.8378770664093454835606594728112353Q;
// A pivot of Omega's factor at or below this fraction of its diagonal element counts as zero:
// Omega is then taken as singular (binary128 keeps about 34 digits).
const Real OMEGA_PIVOT_FLOOR = 1e-30Q;
// A whitened sum of squared residuals at most this fraction of y*'y* is rounding noise: the
// regressors fit y exactly.
const Real GLS_EXACT_FIT_RATIO = 1e-56Q;

// z with L z = v for the lower factor L (N x N row-major).
std::vector<Real> forward_solve(const std::vector<Real>& lower, const std::vector<Real>& v) {
    const std::size_t n = v.size();
    std::vector<Real> z(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Real* row = lower.data() + i * n;
        Real s = v[i];
        for (std::size_t j = 0; j < i; ++j) s -= row[j] * z[j];
        z[i] = s / row[i];
    }
    return z;
}

// The whitened columns: L^-1 v, or v over the standard deviations.
struct Whitened {
    std::vector<Real> lower; // the factor of Omega
    std::vector<Real> scale; // 1/sqrt(variance) by row
    std::vector<Real> apply(const std::vector<Real>& v) const {
        if (!lower.empty()) return forward_solve(lower, v);
        std::vector<Real> out(v.size());
        for (std::size_t i = 0; i < v.size(); ++i) out[i] = v[i] * scale[i];
        return out;
    }
};

// Least squares of y on the columns; the status of the solver.
GramFit solve(const std::vector<std::vector<Real>>& cols, const std::vector<Real>& y) {
    GramColumns g;
    for (const auto& c : cols) g.columns.push_back(c.data());
    g.columns.push_back(y.data());
    g.nobs = y.size();
    return gram_least_squares(g, DEPENDENCE_RATIO);
}

} // namespace

GlsEstimate estimate_gls(const GlsData& d) {
    GlsEstimate e;
    EstimationResults& r = e.result.record;
    const std::size_t n = d.y.size(), k = d.x.size();
    r.n = int(n);
    r.k = int(k);
    // The residuals are reported untransformed too (e'e): the data's own squares must be
    // representable, as must the transformed ones (checked by the solve).
    for (std::size_t j = 0; j <= k; ++j) {
        const std::vector<Real>& v = j < k ? d.x[j] : d.y;
        const SquaresRange range = squares_range(v.data(), v.size());
        if (range != SquaresRange::inside) {
            e.end = GlsEnd::OUT_OF_RANGE;
            e.bad_column = int(j);
            e.too_large = range == SquaresRange::too_large;
            return e;
        }
    }
    Whitened w;
    if (!d.omega.empty()) {
        int failed = -1;
        if (!cholesky_factor(d.omega, int(n), w.lower, failed, OMEGA_PIVOT_FLOOR)) {
            e.end = GlsEnd::NOT_DEFINITE;
            e.bad_row = failed;
            return e;
        }
        for (std::size_t i = 0; i < n; ++i) e.log_det += 2 * qm::log(w.lower[i * n + i]);
    } else {
        w.scale.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            w.scale[i] = 1 / qm::sqrt(d.variances[i]);
            e.log_det += qm::log(d.variances[i]);
        }
    }
    std::vector<std::vector<Real>> xs;
    for (const auto& c : d.x) xs.push_back(w.apply(c));
    const std::vector<Real> ys = w.apply(d.y);
    const GramFit fit = solve(xs, ys);
    if (!fit.ok()) {
        e.end = GlsEnd::DEPENDENT;
        e.bad_column = fit.failed_column;
        return e;
    }
    if (fit.out_of_range_column >= 0) {
        e.end = GlsEnd::OUT_OF_RANGE;
        e.bad_column = fit.out_of_range_column;
        e.too_large = fit.too_large;
        return e;
    }
    // Residuals at the rounding level of y* (y an exact combination of the regressors): s2 is
    // 0, every standard error 0 and the log-likelihood unbounded, so there is nothing to report.
    Real whitened_y2 = 0;
    for (Real v : ys) whitened_y2 += v * v;
    if (!(fit.sse > whitened_y2 * GLS_EXACT_FIT_RATIO)) {
        e.end = GlsEnd::EXACT_FIT;
        return e;
    }
    r.coef = fit.coef;
    r.xtx_inv.resize(k * k);
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b) r.xtx_inv[a * k + b] = fit.inverse_at(int(a), int(b));
    r.sse = fit.sse;
    r.df = Real(r.n - r.k);
    e.sigma2 = r.sse / r.df;
    r.sigma = qm::sqrt(e.sigma2);
    r.cov.resize(k * k);
    for (std::size_t i = 0; i < k * k; ++i) r.cov[i] = e.sigma2 * r.xtx_inv[i];
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    infer_coefficients(e.result);
    // Buse's R-square: against the fit on the (whitened) intercept alone. A y the intercept
    // fits exactly leaves rounding noise there (at most 1E-30 of y*'y*): R-square is then 0,
    // as for a constant y under OLS, not a ratio of two noises.
    Real base = 0, yy = 0;
    for (Real v : ys) yy += v * v;
    if (d.intercept >= 0) {
        const GramFit mean_fit = solve({xs[std::size_t(d.intercept)]}, ys);
        base = mean_fit.ok() ? mean_fit.sse : Real(0);
    } else {
        base = yy;
    }
    r.rsqr = base > Real(1e-30Q) * yy ? 1 - r.sse / base : Real(0);
    e.adjusted_r2 = 1 - (1 - r.rsqr) * Real(d.intercept >= 0 ? r.n - 1 : r.n) / r.df;
    r.has_llf = true;
    r.llf = -Real(r.n) / 2 * (1 + LOG_TWO_PI + qm::log(r.sse / r.n)) - e.log_det / 2;
    r.predicted.assign(n, Real(0));
    Real sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < k; ++j) r.predicted[i] += r.coef[j] * d.x[j][i];
        sum += d.y[i];
    }
    e.ymean = sum / Real(n);
    r.residuals.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        r.residuals[i] = d.y[i] - r.predicted[i];
        e.sse_plain += r.residuals[i] * r.residuals[i];
    }
    r.intercept = d.intercept >= 0;
    ModelResult& m = e.result;
    m.set_size_scalars();
    m.set_fit_scalars(e.sigma2, e.adjusted_r2);
    m.set_scalar(R_LLF, r.llf);
    return e;
}

} // namespace tarvex
