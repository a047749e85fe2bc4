// TOBIT's shared pieces: the sample in memory as a source, the start and the fit over any source,
// and the estimates and statistics made from the fit (see tobit_parts.hpp).
#include "regress/choice/tobit_parts.hpp"

#include "core/result_scalars.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/choice_result.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

#include <algorithm>
#include <memory>

namespace tarvex {

namespace {

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

// The fit whose first iterations are taken in double from `start` and the rest in binary128 from
// there, with one more Newton step at its end; the iterations of both count and the history
// holds both. False when the double iterations found no start, or when the binary128 iterations
// from it did not converge to a log-likelihood above the one at `start`: the caller fits in
// binary128.
bool tobit_from_double_start(TobitSource& source, const std::vector<Real>& start,
                             const ChoiceControl& control, ChoiceFit& fit, int& double_iterations) {
    DoubleStart first;
    ChoiceFit last;
    if (!fit_on_from_double_start(source, start, control, first, last)) return false;
    if (last.end == ChoiceEnd::CONVERGED) {
        PassSums sums;
        source.pass(last.theta, sums);
        newton_step_at_end(last, sums);
    }
    if (!double_start_held(first, last)) return false;
    prepend_double_iterations(first, last);
    double_iterations = first.iterations;
    fit = std::move(last);
    return true;
}

void fill_tobit_result(int intercept, const TobitCensoring& censoring, TobitEstimate& e) {
    EstimationResults& r = e.result.record;
    r.intercept = intercept >= 0;
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

TobitMemorySource::TobitMemorySource(const ChoiceData& data, const TobitCensoring& c)
    : data_(data), censoring_(c), side_(data.y.size()), limit_(data.y.size()),
      totals_(data.x.size()) {
    tobit_sides(data.y.data(), data.y.size(), c, side_.data(), limit_.data());
    stretch_.y = data.y.data();
    for (const std::vector<Real>& col : data.x) stretch_.x.push_back(col.data());
    if (data.weighted()) stretch_.weight = data.weight.data();
    stretch_.side = side_.data();
    stretch_.limit = limit_.data();
    stretch_.n = data.y.size();
    add_tobit_totals(stretch_, totals_);
}

void TobitMemorySource::pass(const std::vector<Real>& theta, PassSums& sums) {
    sums.reset(static_cast<int>(theta.size()));
    add_tobit_pass(stretch_, censoring_, theta, sums, nullptr, nullptr, 0);
    finish_tobit_pass(totals_.between, theta, sums, nullptr);
}

ChoiceFit TobitMemorySource::fit(const std::vector<Real>& start, const ChoiceControl& control) {
    RowColumns rows;
    rows.columns = stretch_.x;
    rows.columns.push_back(limit_.data());
    rows.n = stretch_.n;
    const int p = static_cast<int>(rows.columns.size());
    return maximize_passes(
        rows, start, control,
        [&](const std::vector<Real>& theta, PassSums& sums, std::vector<Real>& root,
            std::vector<Real>& score) {
            sums.reset(p);
            add_tobit_pass(stretch_, censoring_, theta, sums, root.data(),
                           score.empty() ? nullptr : score.data(), 0);
        },
        [&](const std::vector<Real>& theta, PassSums& sums, std::vector<Real>* hessian) {
            finish_tobit_pass(totals_.between, theta, sums, hessian);
        });
}

DoubleStart TobitMemorySource::double_start(const std::vector<Real>& start, int max_iterations,
                                            const InterruptCheck& interrupt) {
    const TobitDoubleRows d = tobit_double_rows(stretch_);
    const double between = start_double(totals_.between);
    return double_newton_start(
        [&](const std::vector<double>& theta, bool derivatives, DoublePoint& point) {
            if (!start_tobit_double(theta, point)) return false;
            add_tobit_double_rows(d, censoring_, theta, derivatives, point);
            return finish_tobit_double(between, theta, derivatives, point);
        },
        start, max_iterations, interrupt);
}

ChoiceData TobitMemorySource::rows_at(const std::vector<std::size_t>& keep) {
    return data_rows(data_, keep);
}

ChoiceFit fit_tobit_source(TobitSource& source, const TobitCensoring& c,
                           const ChoiceControl& control, int& subsample_n, int& double_iterations,
                           bool& needs_every_row) {
    std::vector<Real> start;
    int bad = -1;
    const std::size_t n = source.rows();
    if (n > SUBSAMPLE_ABOVE) {
        const ChoiceData part = source.rows_at(evenly_spaced_rows(n, SUBSAMPLE_ROWS));
        bool exact_part = false; // the full sample decides below
        if (least_squares_start(part, start, bad, exact_part)) {
            ChoiceFit fit;
            if (double_start_allowed(control) &&
                tobit_from_double_start(source, start, control, fit, double_iterations))
                return fit;
            TobitMemorySource part_source(part, c);
            const ChoiceFit first = part_source.fit(start, subsample_control(control));
            if (first.end == ChoiceEnd::CONVERGED) {
                subsample_n = static_cast<int>(part.y.size());
                start = first.theta;
                if (control.method == MaximizeMethod::NEWTON)
                    return source.fit(start,
                                      after_subsample(control, first.hessian, part.y.size(), n));
            }
        }
    }
    if (subsample_n == 0) {
        const ChoiceData* every = source.every_row();
        bool exact = false;
        if (every == nullptr || !least_squares_start(*every, start, bad, exact)) {
            ChoiceFit failed;
            needs_every_row = every == nullptr;
            failed.end = exact ? ChoiceEnd::EXACT_FIT : ChoiceEnd::SINGULAR;
            failed.bad_parameter = bad;
            return failed;
        }
    }
    return source.fit(start, control);
}

void tobit_history(const ChoiceFit& fit, TobitEstimate& e) {
    const int k = e.k, p = k + 1;
    e.history_llf = fit.history_llf;
    // (g, t) to (b, sigma) as to_natural maps them: b = g/t, sigma = 1/t.
    for (const std::vector<Real>& theta : fit.history) {
        const Real t = theta[std::size_t(k)];
        std::vector<Real> natural(static_cast<std::size_t>(p));
        for (int j = 0; j < k; ++j) natural[std::size_t(j)] = theta[std::size_t(j)] / t;
        natural[std::size_t(k)] = 1 / t;
        e.history.push_back(natural);
    }
}

void describe_tobit(const ChoiceFit& fit, const std::vector<Real>& v, const TobitTotals& totals,
                    bool has_llf0, Real llf0, int intercept, const TobitCensoring& censoring,
                    TobitEstimate& e) {
    const int k = e.k, p = k + 1;
    std::vector<Real> coef, cov;
    to_natural(fit.theta, v, k, coef, cov);
    e.result = choice_model_result(e.n, std::move(coef), std::move(cov), fit.llf);
    EstimationResults& r = e.result.record;
    const Real sigma = r.sigma = r.coef[std::size_t(k)];
    e.has_llf0 = has_llf0;
    if (has_llf0)
        e.constants = constants_test("THE INTERCEPT ALONE", "THE SLOPES", fit.llf, llf0, k - 1);

    // At the means: dE/dx_j = b_j P, P = Phi(b) - Phi(a), a = (L - z)/s, b = (U - z)/s;
    // dP/dz = (phi(a) - phi(b))/s, dP/ds = (a phi(a) - b phi(b))/s.
    std::vector<Real> xbar(std::size_t(k), Real(0));
    for (int j = 0; j < k; ++j) {
        xbar[std::size_t(j)] = totals.x_sum[std::size_t(j)] / totals.total;
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
    if (intercept >= 0)
        e.observed.effect[std::size_t(intercept)] = e.observed.se[std::size_t(intercept)] = 0;
    effect_ratios(e.observed);
    fill_tobit_result(intercept, censoring, e);
}

} // namespace tarvex
