// BOX's maximum likelihood: the Box-Cox transformation with its derivatives in lambda, the
// profile likelihood on a grid of lambdas, and Newton's method on the full likelihood.
#include "regress/box/box_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/maximize_likelihood.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

#include <quadmath.h>

namespace tarvex {

namespace {

// Below this |l log v| the power series serves (its terms fall faster than 2**-k / k!).
const Real SERIES_LIMIT = 0.5Q;
constexpr int SERIES_TERMS = 60;

// The grids of the profile likelihood: one lambda, or the two of XLAMBDA.
constexpr int GRID_ONE = 60; // -3 .. 3 by 0.1
constexpr int GRID_TWO = 16; // -2 .. 2 by 0.25 in each lambda
const Real GRID_ONE_STEP = 0.1Q;
const Real GRID_TWO_STEP = 0.25Q;

struct Layout {
    int k = 0, lambda_y = 0, lambda_x = -1, s2 = 0, p = 0;
};

Layout layout_of(const BoxData& d) {
    Layout l;
    l.k = int(d.x.size());
    l.lambda_y = l.k;
    l.lambda_x = d.regressors == BoxRegressors::OWN_LAMBDA ? l.k + 1 : -1;
    l.s2 = l.k + (l.lambda_x >= 0 ? 2 : 1);
    l.p = l.s2 + 1;
    return l;
}

// The least-squares fit of T(y, ly) on the transformed regressors.
struct Profile {
    bool ok = false;
    int bad_column = -1;
    std::vector<Real> b;
    Real sse = 0, llf = 0;
    bool exact = false; // residuals at the rounding level of the transformed y
};

Profile profile(const BoxData& d, const std::vector<Real>& log_y,
                const std::vector<std::vector<Real>>& log_x, Real ly, Real lx, Real sum_log_y) {
    const std::size_t n = d.y.size();
    const int k = int(d.x.size());
    std::vector<Real> ty(n), xs;
    xs.reserve(n * std::size_t(k));
    for (std::size_t i = 0; i < n; ++i) ty[i] = box_cox(log_y[i], ly).value;
    const Real lambda_x = d.regressors == BoxRegressors::SAME_LAMBDA ? ly : lx;
    for (int j = 0; j < k; ++j)
        for (std::size_t i = 0; i < n; ++i)
            xs.push_back(d.regressors != BoxRegressors::NONE && d.transformed[j]
                             ? box_cox(log_x[j][i], lambda_x).value
                             : d.x[j][i]);
    const LsSolution s = solve_least_squares(OlsMethod::GS, xs, ty, int(n), k, 0);
    Profile out;
    if (s.dependent_column > 0 || s.singular || s.too_few) {
        out.bad_column = s.dependent_column > 0 ? s.dependent_column - 1 : 0;
        return out;
    }
    Real sum_t2 = 0;
    for (Real t : ty) sum_t2 += t * t;
    out.exact = !(s.sse > sum_t2 * 1e-56Q);
    out.ok = !out.exact;
    out.b = s.coef;
    out.sse = s.sse;
    if (out.ok)
        out.llf = -Real(n) / 2 * (qm::log(2 * qm::PI) + 1 + qm::log(s.sse / Real(n))) +
                  (ly - 1) * sum_log_y;
    return out;
}

// The column of ones among the regressors left untransformed, else -1.
int intercept_column(const BoxData& d) {
    for (std::size_t j = 0; j < d.x.size(); ++j) {
        if (d.regressors != BoxRegressors::NONE && d.transformed[j]) continue;
        bool ones = !d.x[j].empty();
        for (Real v : d.x[j]) ones = ones && v == 1;
        if (ones) return int(j);
    }
    return -1;
}

} // namespace

BoxCoxValue box_cox(Real log_v, Real lambda) {
    BoxCoxValue r;
    const Real u = lambda * log_v;
    if (qm::abs(u) < SERIES_LIMIT) {
        // The j-th derivative is L**(j+1) * integral_0^1 t**j exp(u t) dt
        // = L**(j+1) * sum_m u**m / (m! (m + j + 1)), L = log v: no cancellation near 0.
        Real s0 = 0, s1 = 0, s2 = 0, f = 1; // f = u**m / m!
        for (int m = 0; m < SERIES_TERMS; ++m) {
            s0 += f / (m + 1);
            s1 += f / (m + 2);
            s2 += f / (m + 3);
            f *= u / (m + 1);
        }
        r.value = log_v * s0;
        r.d1 = log_v * log_v * s1;
        r.d2 = log_v * log_v * log_v * s2;
        return r;
    }
    const Real e = qm::exp(u);
    r.value = expm1q(u) / lambda;
    r.d1 = (log_v * e - r.value) / lambda;
    r.d2 = (log_v * log_v * e - 2 * r.d1) / lambda;
    return r;
}

bool box_cox_inverse(Real t, Real lambda, Real& v) {
    if (lambda == 0) {
        v = qm::exp(t);
        return finiteq(v) != 0;
    }
    const Real base = 1 + lambda * t;
    if (!(base > 0)) return false;
    v = qm::exp(log1pq(lambda * t) / lambda);
    return finiteq(v) != 0;
}

namespace {

// The estimates of the model in the transformed regressors x_j / h_j (h_j the geometric mean of
// x_j, log h_j = log_h[j]; 0 for a regressor not transformed) carried to x_j: with lambda l of
// the regressors, T(x, l) = h**l T(x / h, l) + T(h, l), so b_j = h_j**-l b'_j and the intercept
// less sum b_j T(h_j, l); the covariance by the derivatives of that map.
void scale_back_regressors(const Layout& at, int intercept, int lx_index,
                           const std::vector<Real>& log_h, std::vector<Real>& coef,
                           std::vector<Real>& cov) {
    const int p = at.p;
    const Real lambda = coef[std::size_t(lx_index)];
    std::vector<Real> jac(std::size_t(p) * p, Real(0)); // row-major d(new)/d(old)
    for (int a = 0; a < p; ++a) jac[std::size_t(a) * p + a] = 1;
    Real shift = 0, shift_dl = 0;
    for (int j = 0; j < at.k; ++j) {
        if (j == intercept || log_h[std::size_t(j)] == 0) continue;
        const Real l_h = log_h[std::size_t(j)], h_l = qm::exp(-lambda * l_h);
        const Real b = h_l * coef[std::size_t(j)];
        const BoxCoxValue t_h = box_cox(l_h, lambda);
        jac[std::size_t(j) * p + j] = h_l;
        jac[std::size_t(j) * p + lx_index] = -l_h * b;
        jac[std::size_t(intercept) * p + j] = -h_l * t_h.value;
        shift += b * t_h.value;
        shift_dl += -l_h * b * t_h.value + b * t_h.d1;
        coef[std::size_t(j)] = b;
    }
    jac[std::size_t(intercept) * p + lx_index] = -shift_dl;
    coef[std::size_t(intercept)] -= shift;
    cov = carried_covariance(jac, cov, p);
}

// The estimates of the model in z = y / g carried to y: with G = g**l, b = G b' for the
// regressors, G b' + T(g, l) for the intercept, s2 = G**2 s2', the lambdas as they are; the
// covariance by the derivatives of that map (J V J'), exact at the maximum, where the gradient
// is zero.
void scale_back(const Layout& at, int intercept, Real log_g, std::vector<Real>& coef,
                std::vector<Real>& cov) {
    const int p = at.p;
    const Real lambda = coef[std::size_t(at.lambda_y)];
    const Real g_l = qm::exp(lambda * log_g);
    const BoxCoxValue t_g = box_cox(log_g, lambda);
    std::vector<Real> jac(std::size_t(p) * p, Real(0)); // row-major d(new)/d(old)
    for (int a = 0; a < p; ++a) jac[std::size_t(a) * p + a] = 1;
    for (int j = 0; j < at.k; ++j) {
        const Real b = coef[std::size_t(j)];
        jac[std::size_t(j) * p + j] = g_l;
        jac[std::size_t(j) * p + at.lambda_y] = b * g_l * log_g + (j == intercept ? t_g.d1 : 0);
        coef[std::size_t(j)] = g_l * b + (j == intercept ? t_g.value : Real(0));
    }
    const Real s2 = coef[std::size_t(at.s2)];
    jac[std::size_t(at.s2) * p + at.s2] = g_l * g_l;
    jac[std::size_t(at.s2) * p + at.lambda_y] = 2 * log_g * g_l * g_l * s2;
    coef[std::size_t(at.s2)] = g_l * g_l * s2;
    cov = carried_covariance(jac, cov, p);
}

} // namespace

BoxEstimate estimate_box(const BoxData& d, const BoxControl& control) {
    BoxEstimate e;
    const Layout at = layout_of(d);
    const std::size_t n = d.y.size();
    const int k = at.k, p = at.p;
    std::vector<Real> log_y(n);
    Real sum_log_y = 0;
    for (std::size_t i = 0; i < n; ++i) sum_log_y += (log_y[i] = qm::log(d.y[i]));
    // With an intercept the model is fitted to z = y / g, g the geometric mean of y: the same
    // model (T(y) = g**l T(z) + T(g)), whose estimates carry over exactly (scale_back), but on a
    // y whose logs are centred, so that the iterations take the same steps whatever the units
    // of y (at y near 1E9, T(y) at lambda -3 is 1/3 less a rounding-level rest).
    const int intercept = intercept_column(d);
    Real log_g = 0;
    if (intercept >= 0) {
        log_g = sum_log_y / Real(static_cast<long long>(n));
        for (Real& v : log_y) v -= log_g;
        sum_log_y = 0;
        for (Real v : log_y) sum_log_y += v;
    }
    std::vector<std::vector<Real>> log_x(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j)
        if (d.regressors != BoxRegressors::NONE && d.transformed[j])
            for (Real v : d.x[j]) log_x[j].push_back(qm::log(v));
    // The transformed regressors likewise, with an intercept: each is taken over its geometric
    // mean h (T(x) = h**l T(x / h) + T(h), the intercept absorbing T(h)), so that the grid and
    // the iterations take the same course whatever the units of each regressor
    // (scale_back_regressors carries the estimates back). The fit reads these centred logs; the
    // fitted values at the end read the logs of x themselves.
    std::vector<Real> log_h(static_cast<std::size_t>(k), Real(0));
    std::vector<std::vector<Real>> centred_log_x = log_x;
    if (intercept >= 0)
        for (int j = 0; j < k; ++j) {
            std::vector<Real>& lx = centred_log_x[std::size_t(j)];
            if (lx.empty() || j == intercept) continue;
            Real sum = 0;
            for (Real v : lx) sum += v;
            log_h[std::size_t(j)] = sum / Real(static_cast<long long>(n));
            for (Real& v : lx) v -= log_h[std::size_t(j)];
        }

    // The profile on the grid; its best point starts Newton's method.
    Profile best;
    Real best_ly = 1, best_lx = 1;
    bool exact = false;
    auto consider = [&](Real ly, Real lx) {
        Profile f = profile(d, log_y, centred_log_x, ly, lx, sum_log_y);
        if (f.exact && !exact) {
            exact = true;
            e.exact_lambda = ly;
        }
        if (!f.ok) {
            if (f.bad_column >= 0 && best.bad_column < 0) best.bad_column = f.bad_column;
            return;
        }
        if (!best.ok || f.llf > best.llf) {
            const int bad = best.bad_column;
            best = f, best_ly = ly, best_lx = lx;
            best.bad_column = bad;
        }
    };
    if (at.lambda_x >= 0) {
        for (int a = 0; a <= GRID_TWO; ++a)
            for (int c = 0; c <= GRID_TWO; ++c)
                consider(-2 + a * GRID_TWO_STEP, -2 + c * GRID_TWO_STEP);
    } else {
        for (int a = 0; a <= GRID_ONE; ++a) consider(-3 + a * GRID_ONE_STEP, 0);
    }
    const Profile linear = profile(d, log_y, centred_log_x, 1, 1, sum_log_y);
    const Profile logs = profile(d, log_y, centred_log_x, 0, 0, sum_log_y);
    // The Jacobian of z = y / g: log L(y) = log L(z) - n log g.
    const Real jacobian = -Real(static_cast<long long>(n)) * log_g;
    e.llf_linear = linear.ok ? linear.llf + jacobian : linear.llf;
    e.llf_log = logs.ok ? logs.llf + jacobian : logs.llf;
    if (exact) {
        e.end = BoxEnd::EXACT_FIT;
        return e;
    }
    if (!best.ok) {
        e.end = BoxEnd::SINGULAR;
        e.bad_parameter = best.bad_column >= 0 ? best.bad_column : 0;
        return e;
    }
    std::vector<Real> start(best.b);
    start.push_back(best_ly);
    if (at.lambda_x >= 0) start.push_back(best_lx);
    start.push_back(best.sse / Real(n));

    LikelihoodEvaluate evaluate = [&](const std::vector<Real>& th, const LikelihoodNeeds& needs,
                                      LikelihoodPoint& point, int& failed_row) {
        const Real s2 = th[std::size_t(at.s2)];
        if (!(s2 > 0)) {
            failed_row = 0;
            return false;
        }
        const std::size_t pp = std::size_t(p) * p;
        point.llf = 0;
        point.gradient.assign(needs.gradient || needs.opg ? p : 0, 0);
        point.hessian.assign(needs.hessian ? pp : 0, 0);
        point.opg.assign(needs.opg ? pp : 0, 0);
        const Real ly = th[std::size_t(at.lambda_y)];
        const Real lx = d.regressors == BoxRegressors::SAME_LAMBDA ? ly
                        : at.lambda_x >= 0                         ? th[std::size_t(at.lambda_x)]
                                                                   : Real(0);
        const int lx_index = d.regressors == BoxRegressors::SAME_LAMBDA ? at.lambda_y : at.lambda_x;
        const Real log_2pi_s2 = qm::log(2 * qm::PI * s2);
        std::vector<Real> ep(static_cast<std::size_t>(p), Real(0)), epq(pp, Real(0)), gi(ep);
        for (std::size_t i = 0; i < n; ++i) {
            const BoxCoxValue ty = box_cox(log_y[i], ly);
            Real r = ty.value;
            std::fill(ep.begin(), ep.end(), Real(0));
            std::fill(epq.begin(), epq.end(), Real(0));
            ep[std::size_t(at.lambda_y)] = ty.d1;
            epq[std::size_t(at.lambda_y) * p + at.lambda_y] = ty.d2;
            for (int j = 0; j < k; ++j) {
                const Real bj = th[std::size_t(j)];
                if (lx_index >= 0 && d.transformed[j]) {
                    const BoxCoxValue tx = box_cox(centred_log_x[j][i], lx);
                    r -= bj * tx.value;
                    ep[std::size_t(j)] = -tx.value;
                    ep[std::size_t(lx_index)] -= bj * tx.d1;
                    epq[std::size_t(lx_index) * p + lx_index] -= bj * tx.d2;
                    epq[std::size_t(j) * p + lx_index] = epq[std::size_t(lx_index) * p + j] =
                        -tx.d1;
                } else {
                    r -= bj * d.x[j][i];
                    ep[std::size_t(j)] = -d.x[j][i];
                }
            }
            if (!finiteq(r)) {
                failed_row = int(i);
                return false;
            }
            point.llf += -(log_2pi_s2 + r * r / s2) / 2 + (ly - 1) * log_y[i];
            if (point.gradient.empty()) continue;
            for (int a = 0; a < at.s2; ++a) gi[a] = -r * ep[a] / s2;
            gi[std::size_t(at.lambda_y)] += log_y[i];
            gi[std::size_t(at.s2)] = (r * r / s2 - 1) / (2 * s2);
            for (int a = 0; a < p; ++a) point.gradient[a] += gi[a];
            if (!point.opg.empty())
                for (int a = 0; a < p; ++a)
                    for (int c = 0; c < p; ++c) point.opg[std::size_t(a) * p + c] += gi[a] * gi[c];
            if (point.hessian.empty()) continue;
            for (int a = 0; a < at.s2; ++a) {
                for (int c = 0; c < at.s2; ++c)
                    point.hessian[std::size_t(a) * p + c] +=
                        -(ep[a] * ep[c] + r * epq[std::size_t(a) * p + c]) / s2;
                const Real cross = r * ep[a] / (s2 * s2);
                point.hessian[std::size_t(a) * p + at.s2] += cross;
                point.hessian[std::size_t(at.s2) * p + a] += cross;
            }
            point.hessian[pp - 1] += (1 - 2 * r * r / s2) / (2 * s2 * s2);
        }
        return finiteq(point.llf) != 0;
    };
    MaximizeControl mc;
    mc.method = MaximizeMethod::NEWTON;
    mc.max_iterations = control.max_iterations;
    mc.parameter_tolerance = control.parameter_tolerance;
    mc.interrupt = control.interrupt;
    const MaximizeResult fit = maximize_likelihood(start, evaluate, mc, true);
    e.iterations = fit.iterations;
    switch (fit.status) {
    case MaximizeStatus::CONVERGED:
        e.end = BoxEnd::CONVERGED;
        break;
    case MaximizeStatus::ITERATION_LIMIT:
        e.end = BoxEnd::ITERATION_LIMIT;
        break;
    case MaximizeStatus::STUCK:
        e.end = BoxEnd::STUCK;
        break;
    case MaximizeStatus::UNDEFINED_AT_START:
    case MaximizeStatus::SINGULAR:
        e.end = BoxEnd::SINGULAR;
        e.bad_parameter = fit.dependent_parameter >= 0 ? fit.dependent_parameter : 0;
        return e;
    }
    EstimationResults& r = e.result.record;
    r.coef = fit.parameters;
    e.lambda_y = r.coef[std::size_t(at.lambda_y)];
    e.lambda_x = d.regressors == BoxRegressors::SAME_LAMBDA ? e.lambda_y
                 : at.lambda_x >= 0                         ? r.coef[std::size_t(at.lambda_x)]
                                                            : Real(1);
    e.sigma2 = r.coef[std::size_t(at.s2)];
    std::vector<Real> minus_hessian(fit.at_maximum.hessian), lower;
    for (Real& v : minus_hessian) v = -v;
    int bad = -1;
    if (!cholesky_factor(minus_hessian, p, lower, bad, Real(1e-32Q))) {
        e.end = BoxEnd::SINGULAR;
        e.bad_parameter = bad;
        return e;
    }
    r.cov = cholesky_inverse(lower, p);
    if (intercept >= 0 && d.regressors != BoxRegressors::NONE) {
        const int lx_index = d.regressors == BoxRegressors::SAME_LAMBDA ? at.lambda_y : at.lambda_x;
        scale_back_regressors(at, intercept, lx_index, log_h, r.coef, r.cov);
    }
    if (intercept >= 0) scale_back(at, intercept, log_g, r.coef, r.cov);
    e.lambda_y = r.coef[std::size_t(at.lambda_y)];
    e.sigma2 = r.coef[std::size_t(at.s2)];
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    r.n = int(n);
    r.k = p;
    r.df = r.n - p;
    r.asymptotic = true;
    r.mean_terms = k;
    r.sigma = qm::sqrt(e.sigma2);
    r.has_llf = true;
    r.llf = fit.at_maximum.llf + jacobian;
    infer_coefficients(e.result);
    auto transform = std::make_shared<PowerTransformPart>();
    transform->regressors = d.regressors != BoxRegressors::NONE;
    transform->lambda_y = e.lambda_y;
    transform->lambda_x = e.lambda_x;
    r.model = std::move(transform);
    ModelResult& m = e.result;
    m.add_statistic(
        NamedStatistic{"LLF LAMBDA=1", e.llf_linear, StatisticLaw::NONE, 0, 0, false, 0});
    m.add_statistic(NamedStatistic{"LLF LAMBDA=0", e.llf_log, StatisticLaw::NONE, 0, 0, false, 0});
    m.set_scalar(R_LLF, r.llf);
    m.set_size_scalars();
    m.set_scalar(R_SIG2, e.sigma2);
    // Predictions carried back to y's scale: the inverse transformation of x'b (the median of
    // y given x under normal errors), and the residuals y minus them.
    r.predicted.assign(n, d.missing), r.residuals.assign(n, d.missing);
    for (std::size_t i = 0; i < n; ++i) {
        Real xb = 0;
        for (int j = 0; j < k; ++j)
            xb += r.coef[std::size_t(j)] * (d.regressors != BoxRegressors::NONE && d.transformed[j]
                                                ? box_cox(log_x[j][i], e.lambda_x).value
                                                : d.x[j][i]);
        Real v = 0;
        if (box_cox_inverse(xb, e.lambda_y, v)) {
            r.predicted[i] = v;
            r.residuals[i] = d.y[i] - v;
        }
    }
    return e;
}

} // namespace tarvex
