// ARIMA estimation: the objective, its numerical derivatives, the two-stage maximisation and
// what the estimates leave (covariance, residuals, tests, forecasts).
#include "regress/arima/arima_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"

namespace tarvex {

namespace {

// Difference steps, relative to each parameter's scale. The gradient: central differences,
// truncation of order h**2 (1e-22) and rounding of order eps |log L| / h. The Hessian: during
// the iteration forward differences (error of order h, 1e-8, which only slows Newton's
// convergence by that factor), at the estimates central second differences for the covariance
// (truncation h**2, rounding eps / h**2: both near 1e-16 at h = 1e-8).
const Real GRADIENT_STEP = 1e-11Q;
const Real HESSIAN_STEP = 1e-8Q;
// The conditional-sum-of-squares stage that starts the exact likelihood stops at this
// tolerance, on at most the last START_OBSERVATIONS of the differenced series: the exact
// maximisation does the rest.
const Real START_TOLERANCE = 1e-10Q;
constexpr std::size_t START_OBSERVATIONS = 4000;
// Newton steps below this relative size end the iteration on the quadratic model.
const Real MODELED_STEP = 1e-12Q;

struct Objective {
    const std::vector<Real>& w;
    const ArimaOrder& order;
    ArimaMethod method;
    std::vector<Real> scale; // the step scale of each parameter

    ArmaFilter filter(const std::vector<Real>& theta, bool keep) const {
        const ArmaPolynomials poly = expand_polynomials(order, theta);
        if (!order.mean)
            return method == ArimaMethod::ML ? arma_exact(w, poly, keep) : arma_css(w, poly, keep);
        std::vector<Real> x(w);
        for (Real& v : x) v -= poly.mean;
        return method == ArimaMethod::ML ? arma_exact(x, poly, keep) : arma_css(x, poly, keep);
    }
    bool value(const std::vector<Real>& theta, Real& llf) const {
        const ArmaFilter f = filter(theta, false);
        llf = f.llf;
        return f.ok;
    }
    // The value at theta + a e_i + b e_j (steps in units of the scale).
    bool shifted(std::vector<Real> theta, int i, Real a, int j, Real b, Real& llf) const {
        theta[i] += a * scale[i];
        if (j >= 0) theta[j] += b * scale[j];
        return value(theta, llf);
    }
    bool gradient(const std::vector<Real>& theta, std::vector<Real>& g) const {
        const int k = int(theta.size());
        g.assign(k, Real(0));
        const Real h = GRADIENT_STEP;
        for (int i = 0; i < k; ++i) {
            Real f1, f_1;
            if (!shifted(theta, i, h, -1, 0, f1) || !shifted(theta, i, -h, -1, 0, f_1))
                return false;
            g[i] = (f1 - f_1) / (2 * h * scale[i]);
        }
        return true;
    }
    // `central`: the second differences about theta; otherwise forward differences.
    bool hessian(const std::vector<Real>& theta, Real f0, std::vector<Real>& hm,
                 bool central) const {
        const int k = int(theta.size());
        hm.assign(std::size_t(k) * k, Real(0));
        const Real h = HESSIAN_STEP;
        if (!central) {
            std::vector<Real> fi(k);
            for (int i = 0; i < k; ++i)
                if (!shifted(theta, i, h, -1, 0, fi[i])) return false;
            for (int i = 0; i < k; ++i)
                for (int j = 0; j <= i; ++j) {
                    Real fij;
                    const bool ok = i == j ? shifted(theta, i, 2 * h, -1, 0, fij)
                                           : shifted(theta, i, h, j, h, fij);
                    if (!ok) return false;
                    const Real v = (fij - fi[i] - fi[j] + f0) / (h * h * scale[i] * scale[j]);
                    hm[std::size_t(i) * k + j] = hm[std::size_t(j) * k + i] = v;
                }
            return true;
        }
        // H_ij = [f(x+hi+hj) + f(x-hi-hj) - f(x+hi) - f(x-hi) - f(x+hj) - f(x-hj) + 2 f0] / 2h**2
        std::vector<Real> fp(k), fm(k);
        for (int i = 0; i < k; ++i) {
            if (!shifted(theta, i, h, -1, 0, fp[i]) || !shifted(theta, i, -h, -1, 0, fm[i]))
                return false;
            hm[std::size_t(i) * k + i] = (fp[i] - 2 * f0 + fm[i]) / (h * h * scale[i] * scale[i]);
        }
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < i; ++j) {
                Real fpp, fmm;
                if (!shifted(theta, i, h, j, h, fpp) || !shifted(theta, i, -h, j, -h, fmm))
                    return false;
                const Real v = (fpp + fmm - fp[i] - fm[i] - fp[j] - fm[j] + 2 * f0) /
                               (2 * h * h * scale[i] * scale[j]);
                hm[std::size_t(i) * k + j] = hm[std::size_t(j) * k + i] = v;
            }
        return true;
    }
};

MaximizeResult maximize(const Objective& obj, const std::vector<Real>& start, int max_iterations,
                        Real tolerance, const InterruptCheck& interrupt) {
    const int k = int(start.size());
    LikelihoodEvaluate evaluate = [&](const std::vector<Real>& theta, const LikelihoodNeeds& needs,
                                      LikelihoodPoint& point, int& failed_row) {
        failed_row = -1;
        if (!obj.value(theta, point.llf)) return false;
        point.gradient.clear(), point.hessian.clear(), point.opg.clear();
        if ((needs.gradient || needs.opg) && !obj.gradient(theta, point.gradient)) return false;
        if (needs.hessian && !obj.hessian(theta, point.llf, point.hessian, false)) return false;
        if (needs.opg) {
            // Asked for where the Hessian is not negative definite: minus the Hessian with its
            // diagonal raised until it is positive definite (a Levenberg step).
            std::vector<Real> h;
            if (!obj.hessian(theta, point.llf, h, false)) return false;
            Real top = 0;
            for (int j = 0; j < k; ++j) top = std::max(top, qm::abs(h[std::size_t(j) * k + j]));
            Real lift = top > 0 ? top * 1e-3Q : Real(1);
            std::vector<Real> lower;
            for (int tries = 0; tries < 60; ++tries, lift *= 4) {
                point.opg.assign(h.size(), Real(0));
                for (std::size_t i = 0; i < h.size(); ++i) point.opg[i] = -h[i];
                for (int j = 0; j < k; ++j) point.opg[std::size_t(j) * k + j] += lift;
                int bad = -1;
                if (cholesky_factor(point.opg, k, lower, bad, Real(1e-32Q))) break;
            }
        }
        return true;
    };
    MaximizeControl mc;
    mc.method = MaximizeMethod::NEWTON;
    mc.max_iterations = max_iterations;
    mc.parameter_tolerance = tolerance;
    mc.opg_at_maximum = false;
    mc.interrupt = interrupt;
    // A last Newton step this short is taken on the quadratic model without a new evaluation:
    // its error is of the order of its square.
    mc.modeled_step = MODELED_STEP;
    return maximize_likelihood(start, evaluate, mc, true);
}

bool usable_start(const ArimaOrder& order, const std::vector<Real>& theta) {
    const ArmaPolynomials poly = expand_polynomials(order, theta);
    return roots_outside_unit_circle(poly.ar) && ma_invertible(poly.ma);
}

// The record's summary, the listed Ljung-Box tests as named statistics, the scalars and the
// forecasts' 95% intervals.
void fill_arima_result(const ArimaOrder& order, const ArmaFilter& f, ArimaEstimate& e) {
    ModelResult& m = e.result;
    EstimationResults& r = m.record;
    r.not_forecast = "ARIMA MODEL"; // FCAST has none: HORIZON gives them
    r.df = r.n - r.k;
    r.sse = f.ssq;
    r.sigma = qm::sqrt(e.sigma2);
    r.has_llf = true;
    r.llf = f.llf;
    r.intercept = order.mean;
    r.asymptotic = true;
    infer_coefficients(m);
    const Correlogram& c = e.resid_tests;
    const int last = int(c.q.size());
    for (int lag = 1; lag <= last; ++lag) {
        if (!listed_residual_lag(lag, last)) continue;
        const std::size_t i = std::size_t(lag - 1);
        const bool tested = c.q_df[i] > 0;
        m.add_statistic({"LJUNG-BOX Q(" + std::to_string(lag) + ")", c.q[i],
                         tested ? StatisticLaw::CHI_SQUARE : StatisticLaw::NONE, Real(c.q_df[i]), 0,
                         tested, tested ? c.q_pvalue[i] : Real(0)});
    }
    m.set_scalar(R_LLF, f.llf);
    m.set_size_scalars();
    m.set_scalar(R_SSE, f.ssq);
    m.set_scalar(R_SIG2, e.sigma2);
    m.set_scalar(R_AIC, e.aic);
    m.set_scalar(R_SC, e.bic);
    const Real z = normal_quantile(Real(0.975Q));
    for (std::size_t h = 0; h < e.forecast.value.size(); ++h) {
        e.forecast_lower.push_back(e.forecast.value[h] - z * e.forecast.se[h]);
        e.forecast_upper.push_back(e.forecast.value[h] + z * e.forecast.se[h]);
    }
}

} // namespace

ArimaEstimate estimate_arima(const std::vector<Real>& y, const ArimaOrder& order,
                             const ArimaControl& control) {
    ArimaEstimate e;
    const std::vector<Real> w = difference_series(y, order);
    const int k = order.parameter_count();
    e.n = int(y.size());
    e.result.record.n = int(w.size()), e.result.record.k = k;
    Real mean = 0, var = 0;
    for (Real v : w) mean += v;
    mean /= Real(w.size());
    for (Real v : w) var += (v - mean) * (v - mean);
    var /= Real(w.size());
    std::vector<Real> start(k, Real(0));
    std::vector<Real> scale(k, Real(1));
    if (order.mean) {
        start[k - 1] = mean;
        scale[k - 1] = var > 0 ? qm::sqrt(var) : Real(1);
    }
    const Objective css{w, order, ArimaMethod::CSS, scale};
    MaximizeResult fit;
    if (control.method == ArimaMethod::ML) {
        if (order.arma_count() > 0) {
            const std::vector<Real> tail(
                w.end() - std::ptrdiff_t(std::min(w.size(), START_OBSERVATIONS)), w.end());
            const Objective css_start{tail, order, ArimaMethod::CSS, scale};
            const MaximizeResult first = maximize(css_start, start, control.max_iterations,
                                                  START_TOLERANCE, control.interrupt);
            if (first.status != MaximizeStatus::UNDEFINED_AT_START &&
                first.status != MaximizeStatus::SINGULAR && usable_start(order, first.parameters))
                start = first.parameters;
        }
        Objective exact{w, order, ArimaMethod::ML, scale};
        fit = maximize(exact, start, control.max_iterations, control.parameter_tolerance,
                       control.interrupt);
    } else {
        fit = maximize(css, start, control.max_iterations, control.parameter_tolerance,
                       control.interrupt);
    }
    e.iterations = fit.iterations;
    e.history = fit.history;
    if (fit.status == MaximizeStatus::UNDEFINED_AT_START) {
        e.end = ArimaEnd::NONSTATIONARY;
        return e;
    }
    if (fit.status == MaximizeStatus::SINGULAR) {
        e.end = ArimaEnd::SINGULAR;
        return e;
    }
    e.end = fit.status == MaximizeStatus::ITERATION_LIMIT ? ArimaEnd::ITERATION_LIMIT
            : fit.status == MaximizeStatus::STUCK         ? ArimaEnd::STUCK
                                                          : ArimaEnd::CONVERGED;
    EstimationResults& r = e.result.record;
    r.coef = fit.parameters;
    const ArmaPolynomials poly = expand_polynomials(order, r.coef);
    e.stationary = roots_outside_unit_circle(poly.ar);
    e.invertible = ma_invertible(poly.ma);
    if (!e.stationary) {
        e.end = ArimaEnd::NONSTATIONARY;
        return e;
    }
    const Objective at{w, order, control.method, scale};
    const ArmaFilter f = at.filter(r.coef, true);
    std::vector<Real> hessian;
    if (!f.ok || !at.gradient(r.coef, e.gradient) || !at.hessian(r.coef, f.llf, hessian, true)) {
        e.end = ArimaEnd::NONSTATIONARY;
        return e;
    }
    for (Real& v : hessian) v = -v;
    std::vector<Real> lower;
    int bad = -1;
    if (k > 0 && !cholesky_factor(hessian, k, lower, bad, Real(1e-32Q))) {
        e.end = ArimaEnd::SINGULAR;
        return e;
    }
    if (k > 0) r.cov = cholesky_inverse(lower, k);
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    e.sigma2 = f.sigma2;
    e.used = f.used;
    e.aic = -2 * f.llf + 2 * Real(k + 1);
    e.bic = -2 * f.llf + Real(k + 1) * qm::log(Real(r.n));
    // The residuals and one-step predictions of y at its observations d + D s + 1 .. n.
    const int lost = order.differencing_lags();
    for (int t = 0; t < r.n; ++t) {
        r.residuals.push_back(f.resid[t]);
        r.predicted.push_back(y[std::size_t(t + lost)] - f.resid[t]);
    }
    // Ljung-Box on the residuals the sum of squares used.
    const int skip = control.method == ArimaMethod::CSS ? order.full_p() : 0;
    const std::vector<Real> used_resid(r.residuals.begin() + skip, r.residuals.end());
    const int lags = std::min(control.lags, int(used_resid.size()) - 1);
    if (lags > 0) e.resid_tests = correlogram(used_resid, lags, order.arma_count());
    if (control.horizon > 0) {
        // The state after the last observation comes from the exact filter in either method.
        const Objective exact{w, order, ArimaMethod::ML, scale};
        const ArmaFilter fe = control.method == ArimaMethod::ML ? f : exact.filter(r.coef, true);
        if (fe.ok) e.forecast = arima_forecast(y, order, poly, fe, e.sigma2, control.horizon);
    }
    fill_arima_result(order, f, e);
    return e;
}

} // namespace tarvex
