// VAR's least squares: the regressors of every equation, one exact cross-product matrix with the
// series beside them, a Cholesky solve per equation from its part of that matrix, then the
// residuals, their covariance and the Gaussian log-likelihood.
#include "regress/var/var_estimate.hpp"

#include "kernels/exact_gram.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// The regressor columns of rows skip..n-1: pointers into the series for the lags and the
// exogenous variables, the made
// columns (trend, seasonal dummies) held in `made`, null for the intercept.
std::vector<const Real*> var_regressor_columns(const VarData& data, const VarTerms& terms, int skip,
                                               std::vector<std::vector<Real>>& made) {
    const std::size_t t = data.n - std::size_t(skip);
    std::vector<const Real*> cols;
    for (int lag = 1; lag <= terms.lags; ++lag)
        for (const Real* y : data.series) cols.push_back(y + skip - lag);
    for (const Real* x : data.exog) cols.push_back(x + skip);
    made.clear();
    if (terms.trend) {
        std::vector<Real> trend(t);
        for (std::size_t i = 0; i < t; ++i) trend[i] = Real(std::size_t(skip) + i + 1);
        made.push_back(std::move(trend));
    }
    for (int s = 0; s + 1 < terms.seasons; ++s) {
        std::vector<Real> dummy(t);
        for (std::size_t i = 0; i < t; ++i)
            dummy[i] = (std::size_t(data.first_season + skip) + i) % std::size_t(terms.seasons) ==
                               std::size_t(s)
                           ? 1
                           : 0;
        made.push_back(std::move(dummy));
    }
    for (const std::vector<Real>& c : made) cols.push_back(c.data());
    if (terms.constant) cols.push_back(nullptr);
    return cols;
}

} // namespace

int var_deterministic_terms(const VarTerms& terms) {
    return (terms.trend ? 1 : 0) + (terms.seasons > 1 ? terms.seasons - 1 : 0) +
           (terms.constant ? 1 : 0);
}

int var_other_terms(const VarData& data, const VarTerms& terms) {
    return int(data.exog.size()) + var_deterministic_terms(terms);
}

VarFit fit_var(const VarData& data, const VarTerms& terms, int skip) {
    VarFit f;
    f.k = int(data.series.size());
    f.m = f.k * terms.lags + var_other_terms(data, terms);
    f.t = int(data.n) - skip;
    const int k = f.k, m = f.m, t = f.t;
    if (t <= m) {
        f.end = VarEnd::TOO_FEW;
        return f;
    }
    std::vector<std::vector<Real>> made;
    GramColumns g;
    g.columns = var_regressor_columns(data, terms, skip, made);
    for (const Real* y : data.series) g.columns.push_back(y + skip);
    g.nobs = std::size_t(t);
    const GramMatrix gram = exact_gram(g);
    if (!gram.finite) {
        f.end = VarEnd::NOT_FINITE;
        return f;
    }
    std::vector<int> part(std::size_t(m) + 1);
    for (int r = 0; r < m; ++r) part[std::size_t(r)] = r;
    f.coef.assign(std::size_t(m) * k, 0);
    for (int e = 0; e < k && m > 0; ++e) {
        part[std::size_t(m)] = m + e;
        const GramFit fit = gram_cholesky_solve(gram.part(part), t, DEPENDENCE_RATIO);
        if (fit.status == GramStatus::dependent_column) {
            f.end = VarEnd::SINGULAR_X;
            f.bad_column = fit.failed_column;
            return f;
        }
        if (!fit.ok()) {
            f.end = fit.status == GramStatus::non_finite ? VarEnd::NOT_FINITE : VarEnd::TOO_FEW;
            return f;
        }
        for (int r = 0; r < m; ++r) f.coef[std::size_t(r) * k + e] = fit.coef[std::size_t(r)];
        if (e == 0) {
            f.xtx_inv.assign(std::size_t(m) * m, 0);
            for (int a = 0; a < m; ++a)
                for (int b = 0; b < m; ++b)
                    f.xtx_inv[std::size_t(a) * m + b] = fit.inverse_at(a, b);
        }
    }
    // Residuals from the coefficients, one regressor at a time (each step one fused rounding).
    f.resid.assign(std::size_t(k), std::vector<Real>(std::size_t(t)));
    f.fitted.assign(std::size_t(k), std::vector<Real>(std::size_t(t)));
    for (int e = 0; e < k; ++e) {
        std::vector<Real>& u = f.resid[std::size_t(e)];
        const Real* y = g.columns[std::size_t(m + e)];
        u.assign(y, y + t);
        for (int r = 0; r < m; ++r) {
            const Real b = f.coef[std::size_t(r) * k + e];
            const Real* x = g.columns[std::size_t(r)];
            if (x == nullptr)
                for (Real& v : u) v -= b;
            else
                fused_axpy(u.data(), b, x, std::size_t(t));
        }
        for (int i = 0; i < t; ++i)
            f.fitted[std::size_t(e)][std::size_t(i)] = y[i] - u[std::size_t(i)];
    }
    f.sigma_ml.assign(std::size_t(k) * k, 0);
    f.sigma.assign(std::size_t(k) * k, 0);
    f.sse.assign(std::size_t(k), 0);
    for (int a = 0; a < k; ++a)
        for (int b = 0; b <= a; ++b) {
            Real s = 0;
            const std::vector<Real>& ua = f.resid[std::size_t(a)];
            const std::vector<Real>& ub = f.resid[std::size_t(b)];
            for (int i = 0; i < t; ++i) s += ua[std::size_t(i)] * ub[std::size_t(i)];
            if (a == b) f.sse[std::size_t(a)] = s;
            for (auto [x, y] : {std::pair{a, b}, std::pair{b, a}}) {
                f.sigma_ml[std::size_t(x) * k + y] = s / t;
                f.sigma[std::size_t(x) * k + y] = s / (t - m);
            }
        }
    std::vector<Real> lower;
    int failed = -1;
    if (!cholesky_factor(f.sigma_ml, k, lower, failed, 1e-28Q)) {
        f.end = VarEnd::SINGULAR_SIGMA;
        return f;
    }
    for (int a = 0; a < k; ++a) f.log_det_ml += 2 * qm::log(lower[std::size_t(a) * k + a]);
    const Real log_2pi = qm::log(2 * qm::PI);
    f.llf = -Real(t) / 2 * (k * log_2pi + f.log_det_ml + k);
    return f;
}

std::vector<VarCriteria> var_order_criteria(const VarData& data, const VarTerms& terms,
                                            int max_lags) {
    std::vector<VarCriteria> out;
    for (int p = 0; p <= max_lags; ++p) {
        VarTerms s = terms;
        s.lags = p;
        const VarFit f = fit_var(data, s, max_lags);
        VarCriteria c;
        c.lags = p;
        if (f.end == VarEnd::OK) {
            const Real t = f.t, k = f.k;
            const Real free = Real(p) * k * k + k * var_other_terms(data, terms);
            c.aic = f.log_det_ml + 2 / t * free;
            c.bic = f.log_det_ml + qm::log(t) / t * free;
            c.hq = f.log_det_ml + 2 * qm::log(qm::log(t)) / t * free;
            c.fpe = qm::pow((t + f.m) / (t - f.m), k) * qm::exp(f.log_det_ml);
            c.ok = true;
        }
        out.push_back(c);
    }
    return out;
}

} // namespace tarvex
