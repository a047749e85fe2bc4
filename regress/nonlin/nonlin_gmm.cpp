// Nonlinear GMM: Gauss-Newton on the stacked moments for each weight, the one-step, two-step and
// iterated estimates, their covariance and Hansen's J.
#include "regress/nonlin/nonlin_gmm.hpp"

#include "core/interrupt.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/iv/gmm_algebra.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

// A step that changes no parameter by more than this relative amount, and lowers the criterion
// by less than GMM_FLOOR_FALL of it, is at the rounding floor of binary128.
constexpr Real GMM_FLOOR_STEP = 1e-27Q;
constexpr Real GMM_FLOOR_FALL = 1e-30Q;
constexpr int GMM_HALVINGS = 40;

struct GmmInputs {
    const EquationModel& model;
    const std::vector<std::vector<Real>>& z;
    std::vector<Real> y;
    int n = 0, k = 0, l = 0;
};

// The residuals u = y - f(b), F = df/db' (K columns of n), and the moments: c = Z'u and
// A = Z'F (L x K row-major), each element an exact sum rounded once.
struct GmmPoint {
    bool ok = false;
    RowFailure failure;
    std::vector<Real> b, u, jac;
    GmmMoments moments;
};

GmmPoint gmm_point(const GmmInputs& in, const std::vector<Real>& b) {
    GmmPoint p;
    p.b = b;
    const int n = in.n, k = in.k, l = in.l;
    p.u.assign(static_cast<std::size_t>(n), Real(0));
    p.jac.assign(static_cast<std::size_t>(n) * k, Real(0));
    bool ok = evaluate_rows(
        in.model, b, expr::DerivativeOrder::GRADIENT,
        [&](int, int row, const expr::DerivativeResult& r) {
            p.u[std::size_t(row)] = in.y[std::size_t(row)] - r.value;
            for (int j = 0; j < k; ++j)
                p.jac[std::size_t(j) * n + std::size_t(row)] = r.gradient[std::size_t(j)];
        },
        p.failure);
    // A residual or derivative whose square overflows makes the moments' products unusable.
    for (int row = 0; ok && row < n; ++row) {
        bool finite = finiteq(p.u[std::size_t(row)] * p.u[std::size_t(row)]);
        for (int j = 0; finite && j < k; ++j) {
            const Real d = p.jac[std::size_t(j) * n + std::size_t(row)];
            finite = finiteq(d * d);
        }
        if (!finite) {
            p.failure = RowFailure{};
            p.failure.row = row;
            ok = false;
        }
    }
    if (!ok) return p;
    p.moments.l = l, p.moments.k = k;
    p.moments.c.resize(std::size_t(l));
    p.moments.a.resize(std::size_t(l) * k);
    for (int z = 0; z < l; ++z) {
        const Real* zc = in.z[std::size_t(z)].data();
        p.moments.c[std::size_t(z)] = exact_dot(zc, p.u.data(), std::size_t(n));
        for (int j = 0; j < k; ++j)
            p.moments.a[std::size_t(z) * k + std::size_t(j)] =
                exact_dot(zc, p.jac.data() + std::size_t(j) * n, std::size_t(n));
    }
    p.ok = true;
    return p;
}

// W = I, or W = S**-1 through the Cholesky factor of S.
struct GmmWeightMatrix {
    bool identity = false;
    std::vector<Real> s, lower;
};

bool gmm_weight_from(const std::vector<Real>& s, int l, GmmWeightMatrix& w, int& failed) {
    w.identity = false;
    w.s = s;
    return cholesky_factor(s, l, w.lower, failed, Real(1e-30Q));
}

Real gmm_criterion(const GmmWeightMatrix& w, const std::vector<Real>& c, int l) {
    const std::vector<Real> wc = w.identity ? c : cholesky_solve(w.lower, l, c);
    Real q = 0;
    for (int z = 0; z < l; ++z) q += c[std::size_t(z)] * wc[std::size_t(z)];
    return q < 0 ? Real(0) : q;
}

// The slope of the criterion along d at a point: d/dt g(b + td)'Wg(b + td) = -2 (Wg)'G d.
Real gmm_slope(const GmmWeightMatrix& w, const GmmMoments& m, const std::vector<Real>& d) {
    const std::vector<Real> wc = w.identity ? m.c : cholesky_solve(w.lower, m.l, m.c);
    Real slope = 0;
    for (int z = 0; z < m.l; ++z) {
        Real gd = 0;
        for (int j = 0; j < m.k; ++j)
            gd += m.a[std::size_t(z) * m.k + std::size_t(j)] * d[std::size_t(j)];
        slope -= 2 * wc[std::size_t(z)] * gd;
    }
    return slope;
}

// The linear GMM estimate of the linearised moments c - A d: the Gauss-Newton step d, with
// (A'WA)**-1 and the criterion it predicts.
GmmSolution gmm_linear_step(const GmmWeightMatrix& w, const GmmMoments& m) {
    return w.identity ? gmm_identity_solution(m) : gmm_inverse_solution(m, w.s);
}

// S at the residuals of `p`: the long-run covariance of the scores u_t z_t.
std::vector<Real> gmm_moment_covariance(const GmmInputs& in, const GmmPoint& p, int lags) {
    GramColumns scores;
    scores.nobs = std::size_t(in.n);
    scores.row_scale = p.u.data();
    for (const std::vector<Real>& column : in.z) scores.columns.push_back(column.data());
    return long_run_covariance(scores, lags);
}

struct GmmMinimum {
    NonlinEnd end = NonlinEnd::CONVERGED; // also SINGULAR: A'WA singular
    bool floor = false;
    GmmPoint point;
    Real criterion = 0;
};

bool gmm_step_small(const std::vector<Real>& d, const std::vector<Real>& b, Real tolerance) {
    for (std::size_t i = 0; i < d.size(); ++i)
        if (d[i] != 0 && !(qm::abs(d[i]) <= tolerance * qm::abs(b[i]))) return false;
    return true;
}

// Gauss-Newton on g'Wg from `start` (a point already evaluated), each step halved until the
// criterion does not rise.
GmmMinimum gmm_minimise(const GmmInputs& in, GmmPoint start, const GmmWeightMatrix& w,
                        const GmmControl& control, NonlinGmmEstimate& e) {
    GmmMinimum m;
    m.point = std::move(start);
    m.criterion = gmm_criterion(w, m.point.moments.c, in.l);
    m.end = NonlinEnd::ITERATION_LIMIT;
    e.last_iterations = 0;
    for (int it = 1; it <= control.max_iterations; ++it) {
        interrupt_checkpoint();
        const GmmSolution step = gmm_linear_step(w, m.point.moments);
        if (!step.ok) {
            m.end = NonlinEnd::SINGULAR;
            return m;
        }
        const std::vector<Real>& b = m.point.b;
        const bool small = gmm_step_small(step.coef, b, control.converge);
        const bool tiny = gmm_step_small(step.coef, b, GMM_FLOOR_STEP);
        // Where the fall the step promises is at the level of the criterion's rounding, the
        // criterion can no longer tell a better point from a worse one, while the step, from
        // the moments and their derivatives, still can: the full step is taken unless it raises
        // the criterion beyond that level.
        const Real predicted_fall = m.criterion - step.criterion;
        const Real level = predicted_fall <= GMM_FLOOR_FALL * m.criterion
                               ? m.criterion * (1 + GMM_FLOOR_FALL)
                               : m.criterion;
        Real t = 1;
        bool taken = false;
        GmmPoint next;
        Real next_criterion = 0;
        for (int h = 0; h <= GMM_HALVINGS; ++h, t /= 2) {
            std::vector<Real> trial(b);
            for (std::size_t i = 0; i < trial.size(); ++i) trial[i] += t * step.coef[i];
            next = gmm_point(in, trial);
            if (!next.ok) continue;
            next_criterion = gmm_criterion(w, next.moments.c, in.l);
            taken = next_criterion <= (h == 0 ? level : m.criterion);
            if (taken) break;
        }
        // Where the moments bend along the step, the Gauss-Newton step is too long or too
        // short by a steady factor and the iterates close in only geometrically: a full step
        // taken is carried to the minimum of the criterion along it, from the slopes at both
        // ends (the secant, kept within 1/4 to 4), where that lowers the criterion further.
        if (taken && t == 1 && level == m.criterion) {
            const Real s0 = gmm_slope(w, m.point.moments, step.coef);
            const Real s1 = gmm_slope(w, next.moments, step.coef);
            if (s0 < 0 && s1 != s0) {
                const Real best = std::min(Real(4), std::max(Real(0.25Q), s0 / (s0 - s1)));
                if (qm::abs(best - 1) > Real(1e-3Q)) {
                    std::vector<Real> trial(b);
                    for (std::size_t i = 0; i < trial.size(); ++i) trial[i] += best * step.coef[i];
                    GmmPoint further = gmm_point(in, trial);
                    if (further.ok) {
                        const Real q = gmm_criterion(w, further.moments.c, in.l);
                        if (q < next_criterion) {
                            next = std::move(further);
                            next_criterion = q;
                        }
                    }
                }
            }
        }
        if (!taken) {
            // No shorter step lowers the criterion: at its minimum when the step is at the
            // level of rounding, else stuck.
            if (small || tiny) {
                m.end = NonlinEnd::CONVERGED;
                m.floor = !small;
            } else {
                m.end = NonlinEnd::STUCK;
            }
            return m;
        }
        ++e.iterations;
        ++e.last_iterations;
        const Real before = m.criterion;
        m.point = std::move(next);
        m.criterion = next_criterion;
        e.history.push_back({e.iterations, m.criterion, m.point.b});
        if (small) {
            m.end = NonlinEnd::CONVERGED;
            return m;
        }
        if (tiny && before - m.criterion <= GMM_FLOOR_FALL * before) {
            m.end = NonlinEnd::CONVERGED;
            m.floor = true;
            return m;
        }
    }
    return m;
}

// The record of the estimate at `p` with covariance `cov`.
void fill_nonlinear_gmm_record(const GmmInputs& in, const GmmPoint& p, std::vector<Real> cov,
                               NonlinGmmEstimate& e) {
    EstimationResults& r = e.result.record;
    const int n = in.n, k = in.k;
    r.n = n, r.k = k, r.df = n - k;
    r.asymptotic = true;
    r.coef = p.b;
    r.cov = std::move(cov);
    r.residuals = p.u;
    r.predicted.resize(std::size_t(n));
    for (std::size_t i = 0; i < r.predicted.size(); ++i) r.predicted[i] = in.y[i] - p.u[i];
    r.sse = exact_sum_of_squares(p.u.data(), p.u.size());
    const MeanAndSquares ms = exact_mean_and_centred_squares(in.y.data(), in.y.size());
    e.ymean = ms.mean;
    r.sst = ms.centred_squares;
    e.sigma2 = r.df > 0 ? r.sse / r.df : Real(0);
    r.sigma = qm::sqrt(qm::abs(e.sigma2));
    r.rsqr = r.sst > 0 ? 1 - r.sse / r.sst : Real(0);
    e.adjr2 = r.df > 0 && n > 1 && r.sst > 0 ? 1 - (r.sse / r.df) / (r.sst / (n - 1)) : Real(0);
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    infer_coefficients(e.result);
    store_gmm_statistics(e.result, e.j, e.sigma2, e.adjr2);
}

// The minimisation's end as the estimate's: false when it failed (A'WA singular).
bool gmm_minimum_stands(const GmmMinimum& m, NonlinGmmEstimate& e) {
    if (m.end == NonlinEnd::SINGULAR) {
        e.end = NonlinGmmEnd::NOT_IDENTIFIED;
        return false;
    }
    e.minimisation = m.end;
    e.at_rounding_floor = m.end == NonlinEnd::CONVERGED && m.floor;
    return true;
}

} // namespace

NonlinGmmEstimate estimate_nonlinear_gmm(const EquationModel& model,
                                         const std::vector<std::vector<Real>>& instruments,
                                         const GmmControl& control) {
    NonlinGmmEstimate e;
    GmmInputs in{model,     instruments, dependent_values(model),
                 model.n(), model.k(),   static_cast<int>(instruments.size())};
    const int l = in.l, k = in.k;
    e.l = l;
    std::vector<Real> zz(std::size_t(l) * l);
    for (int a = 0; a < l; ++a)
        for (int b = 0; b < l; ++b)
            zz[std::size_t(a) * l + b] =
                exact_dot(instruments[std::size_t(a)].data(), instruments[std::size_t(b)].data(),
                          std::size_t(in.n));
    GmmWeightMatrix first;
    int failed = -1;
    if (!gmm_weight_from(zz, l, first, failed)) {
        e.end = NonlinGmmEnd::INSTRUMENTS_COLLINEAR;
        e.bad_instrument = failed;
        return e;
    }
    if (control.weight == GmmWeight::IDENTITY) first = GmmWeightMatrix{true, {}, {}};

    GmmPoint start = gmm_point(in, model.start);
    if (!start.ok) {
        e.end = NonlinGmmEnd::UNDEFINED;
        e.evaluation = start.failure;
        return e;
    }
    GmmMinimum m = gmm_minimise(in, std::move(start), first, control, e);
    if (!gmm_minimum_stands(m, e)) return e;
    GmmWeightMatrix weight = first;

    const int lags = control.weight == GmmWeight::WHITE ? 0 : control.lags;
    const bool efficient = control.weight != GmmWeight::IDENTITY && control.steps != GmmSteps::ONE;
    if (efficient) {
        // Residuals of rounding noise (an equation that fits exactly) give no weight.
        const Real yy = exact_sum_of_squares(in.y.data(), in.y.size());
        if (exact_sum_of_squares(m.point.u.data(), m.point.u.size()) <= Real(1e-30Q) * yy) {
            e.end = NonlinGmmEnd::WEIGHT_SINGULAR;
            return e;
        }
        const bool iterate = control.steps == GmmSteps::ITERATE;
        const int limit = iterate ? control.max_iterations : 1;
        e.settled = !iterate;
        for (int step = 0; step < limit; ++step) {
            if (!gmm_weight_from(gmm_moment_covariance(in, m.point, lags), l, weight, failed)) {
                e.end = NonlinGmmEnd::WEIGHT_SINGULAR;
                return e;
            }
            const std::vector<Real> before = m.point.b;
            m = gmm_minimise(in, std::move(m.point), weight, control, e);
            if (!gmm_minimum_stands(m, e)) return e;
            ++e.weighted_steps;
            Real change = 0, size = 0;
            for (int a = 0; a < k; ++a) {
                const Real d = m.point.b[std::size_t(a)] - before[std::size_t(a)];
                change += d * d;
                size += before[std::size_t(a)] * before[std::size_t(a)];
            }
            if (iterate && change <= control.converge * control.converge * size) {
                e.settled = true;
                break;
            }
        }
    }

    // The covariance with S and G at the estimate.
    const std::vector<Real> s = gmm_moment_covariance(in, m.point, lags);
    std::vector<Real> cov;
    if (efficient) {
        GmmWeightMatrix at_estimate;
        if (!gmm_weight_from(s, l, at_estimate, failed)) {
            e.end = NonlinGmmEnd::WEIGHT_SINGULAR;
            return e;
        }
        const GmmSolution sol = gmm_linear_step(at_estimate, m.point.moments);
        if (!sol.ok) {
            e.end = NonlinGmmEnd::NOT_IDENTIFIED;
            return e;
        }
        cov = sol.bread;
        if (l > k) {
            e.j.value = m.criterion;
            e.j.df1 = l - k;
            e.j.pvalue = chi2_tail(e.j.value, e.j.df1);
            e.j.available = true;
        }
    } else {
        const GmmSolution sol = gmm_linear_step(weight, m.point.moments);
        if (!sol.ok) {
            e.end = NonlinGmmEnd::NOT_IDENTIFIED;
            return e;
        }
        cov = gmm_sandwich(sol, s, l, k);
    }
    fill_nonlinear_gmm_record(in, m.point, std::move(cov), e);
    return e;
}

} // namespace tarvex
