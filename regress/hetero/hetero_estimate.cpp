// HETERO's maximum likelihood: the starting values from two least-squares fits, the
// log-likelihood with its exact first and second derivatives, the covariance and the
// likelihood-ratio test of constant variance.
#include "regress/hetero/hetero_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

namespace tarvex {

namespace {

// Minus the mean of log(u**2), u standard normal: Euler's gamma + log 2.
const Real LOG_CHI2_SHIFT =
    0.5772156649015328606065120900824024310422Q + 0.6931471805599453094172321214581765680755Q;

// The columns side by side, N x K column-major.
std::vector<Real> column_major(const std::vector<std::vector<Real>>& columns, std::size_t n) {
    std::vector<Real> out;
    out.reserve(columns.size() * n);
    for (const std::vector<Real>& c : columns) out.insert(out.end(), c.begin(), c.begin() + n);
    return out;
}

// 0-based column found dependent, or -1.
int dependent(const LsSolution& s) {
    if (s.dependent_column > 0) return s.dependent_column - 1;
    return s.singular || s.too_few ? 0 : -1;
}

} // namespace

HeteroEstimate estimate_hetero(const HeteroData& data, const HeteroControl& control) {
    HeteroEstimate e;
    const std::size_t n = data.y.size();
    const int k = static_cast<int>(data.x.size()), m = static_cast<int>(data.z.size());
    const int p = k + m;
    EstimationResults& r = e.result.record;
    r.n = static_cast<int>(n), r.k = p, r.mean_terms = k;
    const Real log2pi = qm::log(2 * qm::PI);

    // Start: OLS for b; g from log e**2 on z.
    const LsSolution ols =
        solve_least_squares(OlsMethod::GS, column_major(data.x, n), data.y, r.n, k, 0);
    if (dependent(ols) >= 0) {
        e.end = HeteroEnd::MEAN_SINGULAR;
        e.bad_column = dependent(ols);
        return e;
    }
    // Residuals at the rounding level of y: the likelihood grows without bound as the
    // variances go to 0, and log e**2 has nothing to say about z.
    Real sum_y2 = 0;
    for (Real v : data.y) sum_y2 += v * v;
    if (!(ols.sse > sum_y2 * 1e-56Q)) {
        e.end = HeteroEnd::EXACT_FIT;
        return e;
    }
    e.llf_constant = -Real(r.n) / 2 * (log2pi + 1 + qm::log(ols.sse / r.n));
    const Real floor = ols.sse / r.n * 1e-20Q; // an exact fit leaves log 0 otherwise
    std::vector<Real> log_e2(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Real r = ols.residuals[i];
        log_e2[i] = qm::log(r * r > floor ? r * r : floor);
    }
    const LsSolution aux =
        solve_least_squares(OlsMethod::GS, column_major(data.z, n), log_e2, r.n, m, 0);
    if (dependent(aux) >= 0) {
        e.end = HeteroEnd::VARIANCE_SINGULAR;
        e.bad_column = dependent(aux);
        return e;
    }
    std::vector<Real> start(ols.coef);
    start.insert(start.end(), aux.coef.begin(), aux.coef.end());
    if (data.z_intercept >= 0) start[std::size_t(k + data.z_intercept)] += LOG_CHI2_SHIFT;

    // log L, its gradient, Hessian and the outer product of the rows' gradients.
    LikelihoodEvaluate evaluate = [&](const std::vector<Real>& theta, const LikelihoodNeeds& needs,
                                      LikelihoodPoint& point, int& failed_row) {
        const std::size_t pp = std::size_t(p) * p;
        point.llf = 0;
        point.gradient.assign(needs.gradient || needs.opg ? p : 0, 0);
        point.hessian.assign(needs.hessian ? pp : 0, 0);
        point.opg.assign(needs.opg ? pp : 0, 0);
        std::vector<Real> gi(static_cast<std::size_t>(p), Real(0));
        for (std::size_t i = 0; i < n; ++i) {
            Real xb = 0, zg = 0;
            for (int j = 0; j < k; ++j) xb += data.x[j][i] * theta[j];
            for (int j = 0; j < m; ++j) zg += data.z[j][i] * theta[std::size_t(k + j)];
            const Real w = qm::exp(-zg), r = data.y[i] - xb, r2w = r * r * w;
            if (!finiteq(w) || !finiteq(r2w)) {
                failed_row = static_cast<int>(i);
                return false;
            }
            point.llf += -(log2pi + zg + r2w) / 2;
            if (point.gradient.empty()) continue;
            for (int j = 0; j < k; ++j) gi[j] = r * w * data.x[j][i];
            for (int j = 0; j < m; ++j) gi[std::size_t(k + j)] = -(1 - r2w) / 2 * data.z[j][i];
            for (int j = 0; j < p; ++j) point.gradient[j] += gi[j];
            if (!point.opg.empty())
                for (int a = 0; a < p; ++a)
                    for (int b = 0; b < p; ++b) point.opg[std::size_t(a) * p + b] += gi[a] * gi[b];
            if (point.hessian.empty()) continue;
            // d2/db db' = -w x x', d2/db dg' = -r w x z', d2/dg dg' = -r**2 w z z' / 2.
            auto col = [&](int a) { return a < k ? data.x[a][i] : data.z[a - k][i]; };
            for (int a = 0; a < p; ++a)
                for (int b = 0; b <= a; ++b) {
                    const Real f = b >= k ? -r2w / 2 : a >= k ? -r * w : -w;
                    point.hessian[std::size_t(a) * p + b] += f * col(a) * col(b);
                }
        }
        if (!point.hessian.empty())
            for (int a = 0; a < p; ++a)
                for (int b = a + 1; b < p; ++b)
                    point.hessian[std::size_t(a) * p + b] = point.hessian[std::size_t(b) * p + a];
        return finiteq(point.llf) != 0;
    };
    MaximizeControl mc;
    mc.method = control.method;
    mc.max_iterations = control.max_iterations;
    mc.parameter_tolerance = control.parameter_tolerance;
    mc.interrupt = control.interrupt;
    const MaximizeResult fit = maximize_likelihood(start, evaluate, mc, true);
    e.iterations = fit.iterations;
    e.history = fit.history;
    switch (fit.status) {
    case MaximizeStatus::CONVERGED:
        e.end = HeteroEnd::CONVERGED;
        break;
    case MaximizeStatus::ITERATION_LIMIT:
        e.end = HeteroEnd::ITERATION_LIMIT;
        break;
    case MaximizeStatus::STUCK:
        e.end = HeteroEnd::STUCK;
        break;
    case MaximizeStatus::UNDEFINED_AT_START:
        e.end = HeteroEnd::UNDEFINED;
        return e;
    case MaximizeStatus::SINGULAR:
        e.end = HeteroEnd::VARIANCE_SINGULAR;
        e.bad_column = fit.dependent_parameter >= k ? fit.dependent_parameter - k : 0;
        return e;
    }
    r.coef = fit.parameters;
    r.llf = fit.at_maximum.llf;
    std::vector<Real> minus_hessian(fit.at_maximum.hessian), lower;
    for (Real& v : minus_hessian) v = -v;
    int bad = -1;
    if (!cholesky_factor(minus_hessian, p, lower, bad, Real(1e-32Q))) {
        e.end = bad < k ? HeteroEnd::MEAN_SINGULAR : HeteroEnd::VARIANCE_SINGULAR;
        e.bad_column = bad < k ? bad : bad - k;
        return e;
    }
    const std::vector<Real> inverse = cholesky_inverse(lower, p);
    r.cov = control.sandwich ? sandwich_product(inverse, fit.at_maximum.opg, p) : inverse;
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    r.df = r.n - p;
    r.asymptotic = true;
    infer_coefficients(e.result);
    e.lr = 2 * (r.llf - e.llf_constant);
    e.lr_df = m - (data.z_intercept >= 0 ? 1 : 0);
    e.lr_pvalue = e.lr_df > 0 ? chi2_tail(e.lr > 0 ? e.lr : Real(0), e.lr_df) : Real(1);
    r.predicted.resize(n), r.residuals.resize(n), e.variance.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        Real xb = 0, zg = 0;
        for (int j = 0; j < k; ++j) xb += data.x[j][i] * r.coef[j];
        for (int j = 0; j < m; ++j) zg += data.z[j][i] * r.coef[std::size_t(k + j)];
        r.predicted[i] = xb;
        r.residuals[i] = data.y[i] - xb;
        e.variance[i] = qm::exp(zg);
    }
    Real sse = 0;
    for (Real u : r.residuals) sse += u * u;
    r.sse = sse;
    r.sigma = r.n > 0 ? qm::sqrt(sse / r.n) : Real(0);
    r.has_llf = true;
    ModelResult& mr = e.result;
    if (e.lr_df > 0)
        mr.add_statistic(NamedStatistic{"LR CONSTANT VARIANCE", e.lr, StatisticLaw::CHI_SQUARE,
                                        Real(e.lr_df), 0, true, e.lr_pvalue});
    mr.set_scalar(R_LLF, r.llf);
    mr.set_size_scalars();
    mr.set_scalar(R_CHI, e.lr);
    return e;
}

} // namespace tarvex
