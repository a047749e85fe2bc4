// GARCH estimation: starting values, the two-stage maximisation, the covariances at the
// maximum and the forecasts.
#include "regress/garch/garch_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

namespace {

// The Hessian's step: central differences of the analytic gradient, truncation of order
// step**2 (1e-24) and rounding of order eps / step (1e-22), relative to each parameter's scale.
const Real GARCH_HESSIAN_STEP = 1e-12Q;
// The quasi-Newton stage stops at this relative change; Newton's method does the rest.
const Real GARCH_BFGS_TOLERANCE = 1e-9Q;
const Real GARCH_MODELED_STEP = 1e-12Q;
// omega below this fraction of the presample variance is taken as the bound 0.
const Real GARCH_OMEGA_FLOOR = 1e-9Q;

struct GarchObjective {
    const GarchDesign& d;
    const GarchOrders& orders;
    std::vector<Real> scale;

    bool gradient_at(const std::vector<Real>& th, std::vector<Real>& g) const {
        GarchPass pass;
        GarchPassNeeds needs;
        needs.gradient = true;
        if (!garch_pass(d, orders, th, needs, pass)) return false;
        g = std::move(pass.gradient);
        return true;
    }
    // Minus nothing: the Hessian of the log-likelihood, symmetrised.
    bool hessian_at(const std::vector<Real>& th, std::vector<Real>& hm) const {
        const int k = int(th.size());
        hm.assign(std::size_t(k) * k, Real(0));
        for (int j = 0; j < k; ++j) {
            const Real h = GARCH_HESSIAN_STEP * scale[std::size_t(j)];
            std::vector<Real> up(th), down(th), gu, gd;
            up[std::size_t(j)] += h, down[std::size_t(j)] -= h;
            if (!gradient_at(up, gu) || !gradient_at(down, gd)) return false;
            for (int i = 0; i < k; ++i)
                hm[std::size_t(i) * k + j] = (gu[std::size_t(i)] - gd[std::size_t(i)]) / (2 * h);
        }
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < i; ++j) {
                const Real v = (hm[std::size_t(i) * k + j] + hm[std::size_t(j) * k + i]) / 2;
                hm[std::size_t(i) * k + j] = hm[std::size_t(j) * k + i] = v;
            }
        return true;
    }
    bool evaluate(const std::vector<Real>& th, const LikelihoodNeeds& needs, LikelihoodPoint& pt,
                  int& failed) const {
        GarchPass pass;
        GarchPassNeeds want;
        want.gradient = needs.gradient || needs.hessian;
        want.opg = needs.opg;
        if (!garch_pass(d, orders, th, want, pass)) {
            failed = pass.failed_row;
            return false;
        }
        pt.llf = pass.llf;
        pt.gradient = std::move(pass.gradient);
        pt.opg = std::move(pass.opg);
        if (needs.hessian && !hessian_at(th, pt.hessian)) return false;
        return true;
    }
};

// Least squares of the mean equation: the starting coefficients and the residuals' variance.
bool garch_mean_start(const GarchDesign& d, int km, std::vector<Real>& b, Real& variance) {
    const int n = d.rows();
    std::vector<Real> xx(std::size_t(km) * km, Real(0)), xy(std::size_t(km), Real(0));
    for (int a = 0; a < km; ++a) {
        for (int t = 0; t < n; ++t)
            xy[std::size_t(a)] += d.columns[std::size_t(a)][std::size_t(t)] * d.y[std::size_t(t)];
        for (int c = 0; c <= a; ++c) {
            Real s = 0;
            for (int t = 0; t < n; ++t)
                s += d.columns[std::size_t(a)][std::size_t(t)] *
                     d.columns[std::size_t(c)][std::size_t(t)];
            xx[std::size_t(a) * km + c] = xx[std::size_t(c) * km + a] = s;
        }
    }
    b.assign(std::size_t(km), Real(0));
    if (km > 0) {
        std::vector<Real> lower;
        int bad = -1;
        if (!cholesky_factor(xx, km, lower, bad, Real(1e-30Q))) return false;
        b = cholesky_solve(lower, km, xy);
    }
    Real ss = 0, mean = 0;
    std::vector<Real> e(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) {
        Real fit = 0;
        for (int a = 0; a < km; ++a)
            fit += b[std::size_t(a)] * d.columns[std::size_t(a)][std::size_t(t)];
        e[std::size_t(t)] = d.y[std::size_t(t)] - fit;
        mean += e[std::size_t(t)];
    }
    mean /= Real(n);
    for (Real v : e) ss += (v - mean) * (v - mean);
    variance = ss / Real(n);
    return true;
}

// The variance and mean forecasts after the last row, with the mean's forecast standard error
// sum_{j<s} psi_j**2 h_{T+s-j} (psi the AR part's moving-average weights).
void garch_forecasts(const std::vector<Real>& y, const std::vector<std::vector<Real>>& future_x,
                     const GarchOrders& s, const std::vector<Real>& th, const GarchPass& f,
                     int horizon, GarchEstimate& e) {
    const int n = int(f.variance.size());
    std::vector<Real> e2(f.resid.size()), h(f.variance);
    for (std::size_t t = 0; t < e2.size(); ++t) e2[t] = f.resid[t] * f.resid[t];
    std::vector<Real> path(y), psi{1};
    for (int step = 1; step <= horizon; ++step) {
        const int t = n - 1 + step; // the row being forecast
        Real ht = th[std::size_t(s.omega_index())];
        for (int i = 0; i < s.arch; ++i) {
            const int u = t - 1 - i;
            ht += th[std::size_t(s.alpha_index(i))] * (u < 0   ? f.h0
                                                       : u < n ? e2[std::size_t(u)]
                                                               : h[std::size_t(u)]);
        }
        for (int j = 0; j < s.garch; ++j) {
            const int u = t - 1 - j;
            ht += th[std::size_t(s.beta_index(j))] * (u < 0 ? f.h0 : h[std::size_t(u)]);
        }
        h.push_back(ht);
        Real mean = 0;
        for (int m = 0; m < s.regressors; ++m)
            mean += th[std::size_t(m)] * future_x[std::size_t(m)][std::size_t(step - 1)];
        for (int i = 1; i <= s.ar; ++i)
            mean += th[std::size_t(s.regressors + i - 1)] * path[path.size() - std::size_t(i)];
        if (s.constant) mean += th[std::size_t(s.mean_count() - 1)];
        path.push_back(mean);
        if (step > 1) {
            Real next = 0;
            for (int i = 1; i <= s.ar && i <= int(psi.size()); ++i)
                next += th[std::size_t(s.regressors + i - 1)] * psi[psi.size() - std::size_t(i)];
            psi.push_back(next);
        }
        Real var = 0;
        for (int j = 0; j < step; ++j)
            var += psi[std::size_t(j)] * psi[std::size_t(j)] * h[std::size_t(t - j)];
        e.forecast.push_back(mean);
        e.forecast_se.push_back(qm::sqrt(var));
        e.forecast_variance.push_back(ht);
    }
}

} // namespace

GarchEstimate estimate_garch(const std::vector<Real>& y, const std::vector<std::vector<Real>>& x,
                             const std::vector<std::vector<Real>>& future_x,
                             const GarchOrders& orders, const GarchControl& control) {
    GarchEstimate e;
    const GarchDesign d = garch_design(y, x, orders);
    const int k = orders.parameter_count(), km = orders.mean_count(), n = d.rows();
    std::vector<Real> start(std::size_t(k), Real(0)), b;
    Real var = 0;
    if (!garch_mean_start(d, km, b, var)) {
        e.end = GarchEnd::SINGULAR;
        return e;
    }
    std::copy(b.begin(), b.end(), start.begin());
    start[std::size_t(orders.omega_index())] = var / 10;
    for (int i = 0; i < orders.arch; ++i)
        start[std::size_t(orders.alpha_index(i))] = Real(0.1Q) / orders.arch;
    for (int j = 0; j < orders.garch; ++j)
        start[std::size_t(orders.beta_index(j))] = Real(0.8Q) / orders.garch;
    if (orders.student) start[std::size_t(orders.df_index())] = 8;
    GarchObjective objective{d, orders, std::vector<Real>(std::size_t(k), Real(1))};
    for (int i = 0; i < k; ++i)
        objective.scale[std::size_t(i)] =
            qm::abs(start[std::size_t(i)]) > 0 ? qm::abs(start[std::size_t(i)]) : Real(1);
    const LikelihoodEvaluate evaluate =
        [&](const std::vector<Real>& th, const LikelihoodNeeds& needs, LikelihoodPoint& pt,
            int& failed) { return objective.evaluate(th, needs, pt, failed); };
    MaximizeControl first;
    first.method = MaximizeMethod::BFGS;
    first.max_iterations = control.max_iterations;
    first.parameter_tolerance = GARCH_BFGS_TOLERANCE;
    first.llf_tolerance = 1e-20Q;
    first.opg_at_maximum = false;
    first.interrupt = control.interrupt;
    const MaximizeResult rough = maximize_likelihood(start, evaluate, first, false);
    e.history = rough.history;
    e.iterations = rough.iterations;
    if (rough.status == MaximizeStatus::UNDEFINED_AT_START) {
        e.end = GarchEnd::UNDEFINED_AT_START;
        e.failed_row = rough.failed_row;
        return e;
    }
    MaximizeControl polish;
    polish.method = MaximizeMethod::NEWTON;
    polish.max_iterations = std::max(1, control.max_iterations - rough.iterations);
    polish.parameter_tolerance = control.parameter_tolerance;
    polish.modeled_step = GARCH_MODELED_STEP;
    polish.opg_at_maximum = false;
    polish.interrupt = control.interrupt;
    const MaximizeResult fit = maximize_likelihood(rough.parameters, evaluate, polish, true);
    e.iterations += fit.iterations;
    for (MaximizeIteration it : fit.history) {
        it.iteration += rough.iterations;
        e.history.push_back(std::move(it));
    }
    if (fit.status == MaximizeStatus::SINGULAR) {
        e.end = GarchEnd::SINGULAR;
        return e;
    }
    e.end = fit.status == MaximizeStatus::ITERATION_LIMIT ? GarchEnd::ITERATION_LIMIT
            : fit.status == MaximizeStatus::STUCK         ? GarchEnd::STUCK
                                                          : GarchEnd::CONVERGED;
    EstimationResults& r = e.result.record;
    r.coef = fit.parameters;
    GarchPass f;
    GarchPassNeeds all;
    all.gradient = all.opg = all.series = true;
    const Real omega = r.coef[std::size_t(orders.omega_index())];
    if (!garch_pass(d, orders, r.coef, all, f)) {
        // The steps left the parameters where some variance is not positive: with omega at or
        // below 0 that is omega running to its bound, otherwise the model does not fit.
        e.end = omega <= 0 ? GarchEnd::OMEGA_AT_ZERO : GarchEnd::UNDEFINED_AT_END;
        return e;
    }
    e.gradient = f.gradient;
    e.h0 = f.h0;
    e.persistence = orders.persistence(r.coef);
    if (e.persistence >= 1) {
        e.end = GarchEnd::PERSISTENT;
        return e;
    }
    // Checked before the Hessian, whose steps would take omega below 0.
    if (omega < GARCH_OMEGA_FLOOR * f.h0) {
        e.end = GarchEnd::OMEGA_AT_ZERO;
        return e;
    }
    std::vector<Real> hessian;
    if (!objective.hessian_at(r.coef, hessian)) {
        e.end = GarchEnd::UNDEFINED_AT_END;
        return e;
    }
    for (Real& v : hessian) v = -v;
    std::vector<Real> lower;
    int bad = -1;
    if (!cholesky_factor(hessian, k, lower, bad, Real(1e-32Q))) {
        e.end = GarchEnd::SINGULAR;
        return e;
    }
    e.hessian_cov = cholesky_inverse(lower, k);
    e.robust_cov = sandwich_product(e.hessian_cov, f.opg, k);
    r.cov = control.robust ? e.robust_cov : e.hessian_cov;
    const std::vector<Real>& other = control.robust ? e.hessian_cov : e.robust_cov;
    for (int i = 0; i < k; ++i) e.other_stderrs.push_back(qm::sqrt(other[std::size_t(i) * k + i]));
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    e.unconditional = r.coef[std::size_t(orders.omega_index())] / (1 - e.persistence);
    r.n = n, r.k = k, r.df = n - k;
    r.sse = 0;
    for (int t = 0; t < n; ++t) {
        r.residuals.push_back(f.resid[std::size_t(t)]);
        r.predicted.push_back(d.y[std::size_t(t)] - f.resid[std::size_t(t)]);
        r.sse += f.resid[std::size_t(t)] * f.resid[std::size_t(t)];
    }
    r.sigma = qm::sqrt(e.unconditional);
    r.has_llf = true;
    r.llf = f.llf;
    r.intercept = orders.constant;
    r.asymptotic = true;
    r.not_forecast = "GARCH MODEL";
    e.aic = -2 * f.llf + 2 * Real(k);
    e.bic = -2 * f.llf + Real(k) * qm::log(Real(n));
    if (control.horizon > 0) garch_forecasts(y, future_x, orders, r.coef, f, control.horizon, e);
    e.variance = f.variance;
    ModelResult& m = e.result;
    infer_coefficients(m);
    m.set_scalar(R_LLF, f.llf);
    m.set_size_scalars();
    m.set_scalar(R_SSE, r.sse);
    m.set_scalar(R_AIC, e.aic);
    m.set_scalar(R_SC, e.bic);
    return e;
}

} // namespace tarvex
