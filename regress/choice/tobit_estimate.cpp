// The TOBIT estimator: censoring of each row, the start, the fit in Olsen's parameters and what
// the report shows.
#include "regress/choice/tobit_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/sandwich_covariance.hpp"
#include "numeric/fast_log.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/choice_result.hpp"
#include "regress/choice/tobit_double_start.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

#include <algorithm>

namespace tarvex {

namespace {

const Real HALF_LOG_2PI = 0.9189385332046727417803297364056176398614Q;

using Side = TobitSide;

Side side_of(Real y, const TobitCensoring& c) {
    if (c.below && y <= c.lower) return Side::BELOW;
    if (c.above && y >= c.upper) return Side::ABOVE;
    return Side::BETWEEN;
}

// Maximises over (g, t); returns the fit in those parameters. `limit` is the last column of the
// row vectors: -L below, -U above, -y between. With `step_at_end` a converged fit takes one more
// Newton step (see newton_step_at_end).
ChoiceFit fit_olsen(const ChoiceData& data, const std::vector<Side>& side,
                    const std::vector<Real>& limit, const TobitCensoring& c,
                    const std::vector<Real>& start, const ChoiceControl& control,
                    bool step_at_end = false) {
    const int k = static_cast<int>(data.x.size());
    Real between = 0; // weighted
    for (std::size_t i = 0; i < side.size(); ++i)
        if (side[i] == Side::BETWEEN) between += data.weight_of(i);
    RowColumns rows;
    for (const std::vector<Real>& col : data.x) rows.columns.push_back(col.data());
    rows.columns.push_back(limit.data());
    rows.n = data.y.size();
    // The index s of a censored row is -(x'g - t L) below and x'g - t U above; an uncensored
    // row has r = t y - x'g and weight 1.
    auto row = [&](std::size_t i, const std::vector<Real>& theta, PassSums& sums, Real* v,
                   Real& root, Real& score) {
        Real xg = 0;
        for (int j = 0; j < k; ++j) {
            v[j] = data.x[std::size_t(j)][i];
            xg = fused_multiply_add(xg, v[j], theta[std::size_t(j)]);
        }
        v[k] = limit[i];
        const Real t = theta[std::size_t(k)];
        // A weighted row adds w log L_i and w a_i; its Hessian weight and score in the outer
        // product are scaled by sqrt(w).
        const bool weighted = data.weighted();
        const Real w = data.weight_of(i), rw = weighted ? qm::sqrt(w) : Real(1);
        if (side[i] == Side::BETWEEN) {
            const Real r = t * data.y[i] - xg;
            score = rw * r;
            root = rw;
            const Real log_l = -HALF_LOG_2PI - r * r / 2;
            sums.add(weighted ? w * log_l : log_l, weighted ? w * r : r, v);
            return true;
        }
        const bool below = side[i] == Side::BELOW;
        const Real s = below ? t * c.lower - xg : xg - t * c.upper;
        const NormalTail n = normal_tail(s);
        const Real a = below ? -n.ratio : n.ratio;
        score = rw * a;
        root = rw * qm::sqrt(n.ratio * (s + n.ratio));
        sums.add(weighted ? w * n.log_cdf : n.log_cdf, weighted ? w * a : a, v);
        return finiteq(n.log_cdf) != 0;
    };
    // The log t of every uncensored row: N_u log t, gradient N_u / t, Hessian -N_u / t^2.
    auto finish = [between, k](const std::vector<Real>& theta, PassSums& sums,
                               std::vector<Real>* hessian) {
        const Real t = theta[std::size_t(k)], nu = between;
        if (hessian != nullptr) {
            (*hessian)[std::size_t(k) * (k + 1) + k] -= nu / (t * t);
            return;
        }
        if (!(t > 0)) {
            sums.defined = false;
            sums.failed_row = 0;
            return;
        }
        sums.llf += nu * fast_log(t);
        sums.gradient[std::size_t(k)] += nu / t;
    };
    ChoiceFit fit = maximize_rows(rows, start, control, row, finish);
    if (step_at_end && fit.end == ChoiceEnd::CONVERGED) {
        PassSums sums;
        run_pass(rows.n, k + 1, sums, [&](std::size_t i, PassSums& s, Real* v) {
            Real root = 0, score = 0;
            return row(i, fit.theta, s, v, root, score);
        });
        finish(fit.theta, sums, nullptr);
        newton_step_at_end(fit, sums);
    }
    return fit;
}

// The last column of the row vectors: -L below, -U above, -y between.
std::vector<Real> limit_column(const ChoiceData& data, const std::vector<Side>& side,
                               const TobitCensoring& c) {
    std::vector<Real> limit(data.y.size());
    for (std::size_t i = 0; i < limit.size(); ++i)
        limit[i] = side[i] == Side::BELOW   ? -c.lower
                   : side[i] == Side::ABOVE ? -c.upper
                                            : -data.y[i];
    return limit;
}

// Least squares of y on x: (b/sigma, 1/sigma) with sigma^2 = SSE/n. False when x is singular.
// False with `bad` the dependent column, or with `exact` when the residuals are at the rounding
// level of y (every row, censored or not, lies on the line: the likelihood has no maximum).
bool least_squares_start(const ChoiceData& data, std::vector<Real>& start, int& bad, bool& exact) {
    const std::size_t n = data.y.size();
    const int k = static_cast<int>(data.x.size());
    std::vector<Real> x;
    x.reserve(n * std::size_t(k));
    for (const std::vector<Real>& col : data.x) x.insert(x.end(), col.begin(), col.end());
    const LsSolution ls = solve_least_squares(OlsMethod::GS, x, data.y, int(n), k, 0);
    if (ls.dependent_column > 0 || ls.singular || ls.too_few) {
        bad = ls.dependent_column > 0 ? ls.dependent_column - 1 : 0;
        return false;
    }
    Real sum_y2 = 0;
    for (Real v : data.y) sum_y2 += v * v;
    if (!(ls.sse > sum_y2 * 1e-56Q)) {
        exact = true;
        return false;
    }
    const Real sigma = qm::sqrt(ls.sse / Real(n));
    start.assign(std::size_t(k) + 1, Real(0));
    for (int j = 0; j < k; ++j) start[std::size_t(j)] = ls.coef[std::size_t(j)] / sigma;
    start[std::size_t(k)] = 1 / sigma;
    return true;
}

// (g, t) to (b, sigma): b = g/t, sigma = 1/t, covariance J V J'.
void to_natural(const std::vector<Real>& theta, const std::vector<Real>& v, int k,
                std::vector<Real>& coef, std::vector<Real>& cov) {
    const int p = k + 1;
    const Real t = theta[std::size_t(k)];
    coef.assign(std::size_t(p), Real(0));
    std::vector<Real> jac(std::size_t(p) * p, Real(0));
    for (int j = 0; j < k; ++j) {
        coef[std::size_t(j)] = theta[std::size_t(j)] / t;
        jac[std::size_t(j) * p + j] = 1 / t;
        jac[std::size_t(j) * p + k] = -theta[std::size_t(j)] / (t * t);
    }
    coef[std::size_t(k)] = 1 / t;
    jac[std::size_t(k) * p + k] = -1 / (t * t);
    cov.assign(std::size_t(p) * p, Real(0));
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) {
            Real s = 0;
            for (int i = 0; i < p; ++i)
                for (int j = 0; j < p; ++j)
                    s += jac[std::size_t(a) * p + i] * v[std::size_t(i) * p + j] *
                         jac[std::size_t(b) * p + j];
            cov[std::size_t(a) * p + b] = s;
        }
}

// Each row's score in (g, t), N x (K+1) column after column, at theta: the row term's derivative
// times (x, limit) as the likelihood pass forms it, and 1/t in t for an uncensored row.
std::vector<Real> tobit_row_scores(const ChoiceData& data, const std::vector<Side>& side,
                                   const TobitCensoring& c, const std::vector<Real>& theta) {
    const std::size_t n = data.y.size();
    const int k = static_cast<int>(data.x.size());
    const std::vector<Real> limit = limit_column(data, side, c);
    const Real t = theta[std::size_t(k)];
    std::vector<Real> scores(n * std::size_t(k + 1));
    for (std::size_t i = 0; i < n; ++i) {
        Real xg = 0;
        for (int j = 0; j < k; ++j)
            xg = fused_multiply_add(xg, data.x[std::size_t(j)][i], theta[std::size_t(j)]);
        Real score = 0;
        if (side[i] == Side::BETWEEN) {
            score = t * data.y[i] - xg;
        } else {
            const bool below = side[i] == Side::BELOW;
            const NormalTail tail = normal_tail(below ? t * c.lower - xg : xg - t * c.upper);
            score = below ? -tail.ratio : tail.ratio;
        }
        for (int j = 0; j < k; ++j)
            scores[std::size_t(j) * n + i] = score * data.x[std::size_t(j)][i];
        scores[std::size_t(k) * n + i] =
            score * limit[i] + (side[i] == Side::BETWEEN ? 1 / t : Real(0));
    }
    return scores;
}

// The fit whose first iterations are taken in double from `start` and the rest in binary128 from
// there (see tobit_double_start.hpp); the iterations of both count and the history holds both.
// False when the double iterations found no start, or when the binary128 iterations from it did
// not converge to a log-likelihood above the one at `start`: the caller fits in binary128.
bool fit_from_double_start(const ChoiceData& data, const std::vector<Side>& side,
                           const TobitCensoring& c, const std::vector<Real>& start,
                           const ChoiceControl& control, ChoiceFit& fit, int& double_iterations) {
    const std::vector<Real> limit = limit_column(data, side, c);
    TobitRows rows;
    rows.data = &data;
    rows.side = &side;
    rows.limit = &limit;
    rows.censoring = c;
    for (std::size_t i = 0; i < side.size(); ++i)
        if (side[i] == Side::BETWEEN) rows.between += data.weight_of(i);
    const DoubleStart first = tobit_double_start(
        rows, start, std::min(DOUBLE_START_ITERATIONS, control.max_iterations - 1),
        control.interrupt);
    if (!first.found) return false;
    ChoiceControl rest = control;
    rest.max_iterations = control.max_iterations - first.iterations;
    ChoiceFit last = fit_olsen(data, side, limit, c, first.theta, rest, true);
    const Real margin = DOUBLE_START_LLF_MARGIN * (qm::abs(first.start_llf) + 1);
    if (last.end != ChoiceEnd::CONVERGED || last.llf < first.start_llf - margin) return false;
    last.iterations += first.iterations;
    last.history.insert(last.history.begin(), first.history.begin(), first.history.end());
    last.history_llf.insert(last.history_llf.begin(), first.history_llf.begin(),
                            first.history_llf.end());
    double_iterations = first.iterations;
    fit = std::move(last);
    return true;
}

// Start from least squares, through a subsample fit when the sample is long; then the fit. A long
// sample fitted by Newton's method takes its first iterations in double from the subsample's
// least squares when it can.
ChoiceFit fit_tobit(const ChoiceData& data, const std::vector<Side>& side, const TobitCensoring& c,
                    const ChoiceControl& control, int& subsample_n, int& double_iterations) {
    std::vector<Real> start;
    int bad = -1;
    const std::size_t n = data.y.size();
    if (n > SUBSAMPLE_ABOVE) {
        const std::vector<std::size_t> keep = evenly_spaced_rows(n, SUBSAMPLE_ROWS);
        const ChoiceData part = data_rows(data, keep);
        std::vector<Side> part_side;
        for (std::size_t i : keep) part_side.push_back(side[i]);
        bool exact_part = false; // the full sample decides below
        if (least_squares_start(part, start, bad, exact_part)) {
            ChoiceFit fit;
            if (double_start_allowed(control) &&
                fit_from_double_start(data, side, c, start, control, fit, double_iterations))
                return fit;
            const ChoiceFit first = fit_olsen(part, part_side, limit_column(part, part_side, c), c,
                                              start, subsample_control(control));
            if (first.end == ChoiceEnd::CONVERGED) {
                subsample_n = static_cast<int>(part.y.size());
                start = first.theta;
                if (control.method == MaximizeMethod::NEWTON)
                    return fit_olsen(data, side, limit_column(data, side, c), c, start,
                                     after_subsample(control, first.hessian, part.y.size(), n));
            }
        }
    }
    bool exact = false;
    if (subsample_n == 0 && !least_squares_start(data, start, bad, exact)) {
        ChoiceFit failed;
        failed.end = exact ? ChoiceEnd::EXACT_FIT : ChoiceEnd::SINGULAR;
        failed.bad_parameter = bad;
        return failed;
    }
    return fit_olsen(data, side, limit_column(data, side, c), c, start, control);
}

void fill_tobit_result(const ChoiceData& data, const TobitCensoring& censoring, TobitEstimate& e) {
    EstimationResults& r = e.result.record;
    r.intercept = data.intercept >= 0;
    r.mean_terms = e.k;
    auto part = std::make_shared<CensoringPart>();
    part->below = censoring.below;
    part->above = censoring.above;
    part->lower = censoring.lower;
    part->upper = censoring.upper;
    r.model = std::move(part);
    if (e.has_llf0) add_constants_test(e.result, e.constants, false);
    add_reported_number(e.result, "X'B AT THE MEANS", e.index_at_means);
    add_reported_number(e.result, "E[Y|X] AT THE MEANS", e.expected_at_means);
    add_reported_number(e.result, "PROBABILITY OF AN UNCENSORED OBSERVATION",
                        e.uncensored_at_means);
    e.result.set_scalar(R_SIG2, r.sigma * r.sigma);
}

} // namespace

Real tobit_uncensored(Real z, Real sigma, const TobitCensoring& c) {
    const Real below = c.below ? normal_cdf((c.lower - z) / sigma) : Real(0);
    const Real above = c.above ? normal_cdf((z - c.upper) / sigma) : Real(0);
    return 1 - below - above;
}

Real tobit_expected(Real z, Real sigma, const TobitCensoring& c) {
    // L Phi(a) + U (1 - Phi(b)) + z (Phi(b) - Phi(a)) + sigma (phi(a) - phi(b)).
    Real e = z * tobit_uncensored(z, sigma, c);
    if (c.below) {
        const Real a = (c.lower - z) / sigma;
        e += c.lower * normal_cdf(a) + sigma * normal_density(a);
    }
    if (c.above) {
        const Real b = (c.upper - z) / sigma;
        e += c.upper * normal_cdf(-b) - sigma * normal_density(b);
    }
    return e;
}

TobitEstimate estimate_tobit(const ChoiceData& data, const TobitCensoring& censoring,
                             const ChoiceControl& control) {
    TobitEstimate e;
    const std::size_t n = data.y.size();
    const int k = static_cast<int>(data.x.size()), p = k + 1;
    e.n = static_cast<int>(n);
    e.k = k;
    std::vector<Side> side(n);
    for (std::size_t i = 0; i < n; ++i) {
        side[i] = side_of(data.y[i], censoring);
        e.n_below += side[i] == Side::BELOW;
        e.n_above += side[i] == Side::ABOVE;
    }
    e.n_between = e.n - e.n_below - e.n_above;
    const ChoiceFit fit =
        fit_tobit(data, side, censoring, control, e.subsample_n, e.double_iterations);
    e.iterations = fit.iterations;
    e.end = fit.end;
    e.bad_column = fit.bad_parameter;
    if (fit.end == ChoiceEnd::UNDEFINED || fit.end == ChoiceEnd::SINGULAR ||
        fit.end == ChoiceEnd::EXACT_FIT)
        return e;
    e.history_llf = fit.history_llf;
    for (const std::vector<Real>& theta : fit.history) {
        std::vector<Real> natural, unused;
        to_natural(theta, std::vector<Real>(std::size_t(p) * p, Real(0)), k, natural, unused);
        e.history.push_back(natural);
    }
    std::vector<Real> v, coef, cov;
    if (!choice_covariance(fit, p, control.sandwich, v, e.bad_column)) {
        e.end = ChoiceEnd::SINGULAR;
        return e;
    }
    // CLUSTER: the sandwich in (g, t), -H^-1 the bread; then to (b, sigma) as the others.
    if (control.covariance.clustered()) {
        const int groups = control.clusters.groups;
        v = clustered_covariance(tobit_row_scores(data, side, censoring, fit.theta), e.n, p,
                                 control.clusters.group, groups, v,
                                 cluster_factor(control.covariance, groups, e.n, p));
    }
    to_natural(fit.theta, v, k, coef, cov);
    e.result = choice_model_result(e.n, std::move(coef), std::move(cov), fit.llf);
    EstimationResults& r = e.result.record;
    const Real sigma = r.sigma = r.coef[std::size_t(k)];

    // The intercept alone: the likelihood-ratio test of the slopes.
    if (data.intercept >= 0 && k > 1) {
        ChoiceData alone;
        alone.y = data.y;
        alone.x = {std::vector<Real>(n, Real(1))};
        alone.intercept = 0;
        alone.weight = data.weight;
        int unused_n = 0, unused_double = 0;
        const ChoiceFit f0 = fit_tobit(alone, side, censoring, control, unused_n, unused_double);
        e.has_llf0 = f0.end == ChoiceEnd::CONVERGED;
        if (e.has_llf0)
            e.constants =
                constants_test("THE INTERCEPT ALONE", "THE SLOPES", fit.llf, f0.llf, k - 1);
    }

    // By row: E[y|x] and the generalised residual.
    r.predicted.resize(n);
    r.residuals.resize(n);
    for_each_chunk(n, [&](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            Real z = 0;
            for (int j = 0; j < k; ++j)
                z = fused_multiply_add(z, data.x[std::size_t(j)][i], r.coef[std::size_t(j)]);
            r.predicted[i] = tobit_expected(z, sigma, censoring);
            switch (side[i]) {
            case Side::BETWEEN:
                r.residuals[i] = (data.y[i] - z) / sigma;
                break;
            case Side::BELOW:
                r.residuals[i] = -normal_tail((censoring.lower - z) / sigma).ratio;
                break;
            case Side::ABOVE:
                r.residuals[i] = normal_tail((z - censoring.upper) / sigma).ratio;
                break;
            }
        }
    });

    // At the means: dE/dx_j = b_j P, P = Phi(b) - Phi(a), a = (L - z)/s, b = (U - z)/s;
    // dP/dz = (phi(a) - phi(b))/s, dP/ds = (a phi(a) - b phi(b))/s.
    std::vector<Real> xbar(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) {
        Real s = 0;
        for (std::size_t i = 0; i < n; ++i)
            s += data.weighted() ? data.weight[i] * data.x[std::size_t(j)][i]
                                 : data.x[std::size_t(j)][i];
        xbar[std::size_t(j)] = s / data.total_weight();
        e.index_at_means += xbar[std::size_t(j)] * r.coef[std::size_t(j)];
    }
    const Real z = e.index_at_means, s = sigma;
    const Real prob = tobit_uncensored(z, s, censoring);
    Real dpdz = 0, dpds = 0;
    if (censoring.below) {
        const Real a = (censoring.lower - z) / s, fa = normal_density(a);
        dpdz += fa / s;
        dpds += a * fa / s;
    }
    if (censoring.above) {
        const Real b = (censoring.upper - z) / s, fb = normal_density(b);
        dpdz -= fb / s;
        dpds -= b * fb / s;
    }
    e.uncensored_at_means = prob;
    e.expected_at_means = tobit_expected(z, s, censoring);
    std::vector<Real> g(std::size_t(k) * p, Real(0));
    e.observed.effect.assign(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) {
        const Real b = r.coef[std::size_t(j)];
        e.observed.effect[std::size_t(j)] = b * prob;
        for (int l = 0; l < k; ++l)
            g[std::size_t(j) * p + l] = (j == l ? prob : Real(0)) + b * dpdz * xbar[std::size_t(l)];
        g[std::size_t(j) * p + k] = b * dpds;
    }
    e.observed.se = delta_method_se(g, r.cov, k, p);
    if (data.intercept >= 0)
        e.observed.effect[std::size_t(data.intercept)] =
            e.observed.se[std::size_t(data.intercept)] = 0;
    effect_ratios(e.observed);
    fill_tobit_result(data, censoring, e);
    return e;
}

} // namespace tarvex
