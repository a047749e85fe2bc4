// NLINEAR by Levenberg-Marquardt and MLE by the maximisers of the likelihood kernel, with the
// model's residuals, Jacobian, gradients and Hessians from the derivative generator.
#include "regress/nonlin/nonlin_estimate.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/interrupt.hpp"
#include "core/result_scalars.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/maximize_likelihood.hpp"
#include "kernels/nonlinear_least_squares.hpp"
#include "kernels/simulated_annealing.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/nonlin/nls_double_start.hpp"
#include "regress/nonlin/nonlin_errors.hpp"

namespace tarvex {

namespace {

// From this many observations NLINEAR first fits a subsample of about SUBSAMPLE_ROWS of them,
// and MLE one of about MLE_SUBSAMPLE_ROWS (its iterations cost far more a row).
constexpr int SUBSAMPLE_FROM = 262144;
constexpr int SUBSAMPLE_ROWS = 32768;
constexpr int MLE_SUBSAMPLE_FROM = 65536;
constexpr int MLE_SUBSAMPLE_ROWS = 8192;
// From this many observations NLINEAR (Levenberg-Marquardt) takes its first iterations in
// double (see nls_double_start.hpp); tests lower it.
int double_start_from = 100001;
// The binary128 Newton steps from the double start: two carry it to binary128's precision.
constexpr int FINISH_STEPS = 4;
// The double start is taken only under a convergence rule at least this tight: a looser one
// stops where the path to the minimum decides the estimates.
const Real DOUBLE_START_LOOSEST_TOLERANCE = 1e-20Q;
// The fit from the double start is kept only where its binary128 sum of squares is no larger
// than double's at the start given, by more than this relatively (the double sum's rounding).
const Real DOUBLE_START_SSE_MARGIN = 1e-10Q;
// A subsample's optimum differs from the sample's by about one over the square root of its
// size: iterating there beyond this relative change gains nothing.
constexpr Real SUBSAMPLE_TOLERANCE = 1e-12Q;

// Every (n / rows)-th observation of the model, from the first.
EquationModel evenly_spaced(const EquationModel& model, int rows) {
    EquationModel part = model;
    const int stride = std::max(1, model.n() / rows);
    part.obs.clear();
    for (int i = 0; i < model.n(); i += stride) part.obs.push_back(model.obs[std::size_t(i)]);
    return part;
}

void start_estimate(const EquationModel& model, NonlinEstimate& e) {
    EstimationResults& r = e.result.record;
    r.n = model.n();
    r.k = model.k();
    r.df = r.n - r.k;
    r.asymptotic = e.likelihood;
}

// How the iteration of either kernel (least squares or the likelihood) ended: UNDEFINED when
// the equation could not be evaluated at the starting values.
template <class Status>
NonlinEnd nonlin_end(Status status) {
    switch (status) {
    case Status::CONVERGED:
        return NonlinEnd::CONVERGED;
    case Status::ITERATION_LIMIT:
        return NonlinEnd::ITERATION_LIMIT;
    case Status::STUCK:
        return NonlinEnd::STUCK;
    case Status::SINGULAR:
        return NonlinEnd::SINGULAR;
    case Status::UNDEFINED_AT_START:
        break;
    }
    return NonlinEnd::UNDEFINED;
}

// The message of an estimation that ended UNDEFINED, SINGULAR or NOT_DEFINITE.
EstimationFailure failure_of(const EquationModel& model, const NonlinEstimate& e) {
    if (e.end == NonlinEnd::UNDEFINED) return evaluation_failure(model, e.evaluation);
    if (e.end == NonlinEnd::NOT_DEFINITE)
        return {" ...ERROR..NO CONVERGENCE IN " + std::to_string(e.iterations) +
                    " ITERATIONS, AND THE LOG-LIKELIHOOD IS NOT CONCAVE WHERE THEY STOPPED",
                ERR_NL_NO_CONVERGENCE};
    const std::string which = e.dependent_parameter >= 0 && e.dependent_parameter < model.k()
                                  ? model.names[static_cast<std::size_t>(e.dependent_parameter)]
                                  : std::string("?");
    return {std::string(" ...ERROR..") + (e.likelihood ? "THE HESSIAN" : "J'J") +
                " IS SINGULAR: PARAMETER " + which + " IS NOT IDENTIFIED",
            ERR_NL_SINGULAR};
}

// The covariance's standard errors, ratios and p-values, and the result scalars, of a finished
// estimate.
void finish_estimate(NonlinEstimate& e) {
    ModelResult& m = e.result;
    EstimationResults& r = m.record;
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    infer_coefficients(m);
    r.has_llf = true;
    m.set_scalar(R_LLF, r.llf);
    m.set_size_scalars();
    if (e.likelihood) return;
    m.set_fit_scalars(e.sigma2, e.adjusted_r2);
    m.set_scalar(R_SST, r.sst);
}

// Whether v * v is finite: at once from the exponent below 2^8191 (where the square stays
// below 2^16382), by the product itself only near the limit.
bool square_finite(Real v) {
    std::uint64_t w[2];
    std::memcpy(w, &v, sizeof w);
    const int exponent = static_cast<int>((w[1] >> 48) & 0x7fff);
    return exponent <= 16383 + 8190 || finiteq(v * v);
}

// The residuals (and Jacobian) of the model at b for the least-squares kernel; an evaluation
// failure is recorded in `failure`.
NlsEvaluate least_squares_evaluate(const EquationModel& model, const std::vector<Real>& y,
                                   RowFailure& failure) {
    const int n = model.n(), k = model.k();
    return [&model, &y, &failure, n, k](const std::vector<Real>& b, Real* resid, Real* jac,
                                        int& failed_row) {
        RowFailure here;
        const auto order = jac ? expr::DerivativeOrder::GRADIENT : expr::DerivativeOrder::VALUE;
        bool ok = evaluate_rows(
            model, b, order,
            [&](int, int row, const expr::DerivativeResult& r) {
                resid[row] = y[static_cast<std::size_t>(row)] - r.value;
                if (jac)
                    for (int j = 0; j < k; ++j)
                        jac[std::size_t(j) * n + std::size_t(row)] = r.gradient[std::size_t(j)];
            },
            here);
        // A residual or derivative whose square overflows leaves the sum of squares (or J'J)
        // infinite: the point is as unusable as one where an operation fails.
        for (int row = 0; ok && row < n; ++row) {
            bool finite = square_finite(resid[row]);
            for (int j = 0; finite && jac != nullptr && j < k; ++j)
                finite = square_finite(jac[std::size_t(j) * n + std::size_t(row)]);
            if (!finite) {
                here = RowFailure{};
                here.row = row;
                ok = false;
            }
        }
        if (!ok) {
            failed_row = here.row;
            failure = here;
        }
        return ok;
    };
}

// Levenberg-Marquardt on the observations of `model` (y at them) from `start`; an evaluation
// failure is recorded in `failure`.
NlsResult fit_least_squares(const EquationModel& model, const std::vector<Real>& y,
                            const std::vector<Real>& start, const NlsControl& control,
                            RowFailure& failure) {
    const int n = model.n();
    const NlsEvaluate evaluate = least_squares_evaluate(model, y, failure);
    // The residuals' second derivative along v: -v' H_i v, the second derivative of the
    // function along v (one direction carried, not the K x K Hessian).
    NlsCurvature curvature = [&](const std::vector<Real>& b, const std::vector<Real>& v,
                                 Real* second) {
        RowFailure here;
        return evaluate_rows(
            model, b, expr::DerivativeOrder::HESSIAN,
            [&](int, int row, const expr::DerivativeResult& r) { second[row] = -r.hessian[0]; },
            here, false, v);
    };
    return nonlinear_least_squares(n, start, evaluate, control, curvature);
}

// Minus half the squared residual of a row, -(y - f)^2 / 2, with its derivatives from those
// of f: gradient r g, Hessian r H - g g' (r = y - f): the sum of squares as an objective to
// maximise.
const expr::DerivativeResult& half_square_term(const expr::DerivativeResult& f, Real y, int k,
                                               bool hessian, expr::DerivativeResult& out) {
    const Real r = y - f.value;
    out.value = -r * r / 2;
    out.gradient.resize(f.gradient.size());
    for (std::size_t j = 0; j < f.gradient.size(); ++j) out.gradient[j] = r * f.gradient[j];
    if (hessian) {
        out.hessian.resize(std::size_t(k) * k);
        for (int a = 0; a < k; ++a)
            for (int c = 0; c < k; ++c)
                out.hessian[std::size_t(a) * k + c] =
                    r * f.hessian[std::size_t(a) * k + c] - f.gradient[a] * f.gradient[c];
    }
    return out;
}

// The objective summed over the rows of *on (which the caller may point at a subsample): the
// equation's value (MLE), or with `y` minus half the squared residual (NLINEAR). A row that
// cannot be evaluated is recorded in `evaluation`. `opg_per_sigma2`: see below.
LikelihoodEvaluate row_sum_evaluate(const EquationModel*& on, int k, const std::vector<Real>* y,
                                    RowFailure& evaluation, bool opg_per_sigma2 = false) {
    const std::size_t kk = std::size_t(k) * k;
    return [&on, k, kk, y, &evaluation, opg_per_sigma2](const std::vector<Real>& b,
                                                        const LikelihoodNeeds& needs,
                                                        LikelihoodPoint& point, int& failed_row) {
        // Sums by chunk of rows, added in chunk order.
        const int chunks = row_chunks(on->n());
        struct Sums {
            Real llf = 0;
            std::vector<Real> gradient, hessian, opg;
            expr::DerivativeResult term; // a least-squares row's term
        };
        std::vector<Sums> sums(static_cast<std::size_t>(chunks));
        for (Sums& s : sums) {
            if (needs.gradient || needs.opg) s.gradient.assign(k, 0);
            if (needs.hessian) s.hessian.assign(kk, 0);
            if (needs.opg) s.opg.assign(kk, 0);
        }
        const auto order = needs.hessian                   ? expr::DerivativeOrder::HESSIAN
                           : (needs.gradient || needs.opg) ? expr::DerivativeOrder::GRADIENT
                                                           : expr::DerivativeOrder::VALUE;
        RowFailure failure;
        const bool ok = evaluate_rows(
            *on, b, order,
            [&](int chunk, int row, const expr::DerivativeResult& term) {
                Sums& s = sums[static_cast<std::size_t>(chunk)];
                const expr::DerivativeResult& r =
                    y ? half_square_term(term, (*y)[std::size_t(row)], k, needs.hessian, s.term)
                      : term;
                s.llf += r.value;
                if (!s.gradient.empty())
                    for (int j = 0; j < k; ++j)
                        s.gradient[j] = fast_add(s.gradient[j], r.gradient[j]);
                // Both matrices are symmetric: the upper triangle is summed, the lower filled
                // in once at the end.
                if (!s.hessian.empty())
                    for (int i = 0; i < k; ++i)
                        for (int j = i; j < k; ++j)
                            s.hessian[std::size_t(i) * k + j] =
                                fast_add(s.hessian[std::size_t(i) * k + j],
                                         r.hessian[std::size_t(i) * k + j]);
                if (!s.opg.empty())
                    for (int i = 0; i < k; ++i)
                        for (int j = i; j < k; ++j)
                            s.opg[std::size_t(i) * k + j] =
                                fast_add(s.opg[std::size_t(i) * k + j],
                                         fast_multiply(r.gradient[i], r.gradient[j]));
            },
            failure);
        if (!ok) {
            failed_row = failure.row;
            evaluation = failure;
            return false;
        }
        point.llf = 0;
        point.gradient.assign(needs.gradient || needs.opg ? k : 0, 0);
        point.hessian.assign(needs.hessian ? kk : 0, 0);
        point.opg.assign(needs.opg ? kk : 0, 0);
        for (const Sums& s : sums) {
            point.llf += s.llf;
            for (std::size_t j = 0; j < point.gradient.size(); ++j)
                point.gradient[j] += s.gradient[j];
            for (std::size_t j = 0; j < point.hessian.size(); ++j) point.hessian[j] += s.hessian[j];
            for (std::size_t j = 0; j < point.opg.size(); ++j) point.opg[j] += s.opg[j];
        }
        for (std::vector<Real>* m : {&point.hessian, &point.opg})
            if (!m->empty())
                for (int a = 0; a < k; ++a)
                    for (int c = 0; c < a; ++c)
                        (*m)[std::size_t(a) * k + c] = (*m)[std::size_t(c) * k + a];
        // Least squares: the outer product of the rows' r g divided by sigma**2 = SSE / n, the
        // outer product of the normal log-likelihood's scores times sigma**2, which like the
        // Hessian of -SSE/2 is in the units of y squared. Undivided it is off by sigma**2, and
        // the steps it gives BHHH, BFGS and DFP by the units of y squared. (GQDFP rescales its
        // matrix to the curvature along its first step and takes the outer product as it is.)
        if (opg_per_sigma2 && y && !point.opg.empty() && point.llf < 0) {
            const Real per_sigma2 = Real(on->n()) / (-2 * point.llf);
            for (Real& v : point.opg) v *= per_sigma2;
        }
        return !qm::isnan(point.llf) && !qm::isinf(point.llf);
    };
}

// METHOD=ANNEAL: the search from the starting values for the largest `objective`, whose best
// point (recorded in `e`, the sum of squares when `sum_of_squares`) is returned; the starting
// values themselves when it cannot be evaluated there.
std::vector<Real> annealed_start(const std::vector<Real>& start, const AnnealObjective& objective,
                                 const NonlinOptions& o, bool sum_of_squares, NonlinEstimate& e) {
    AnnealControl control;
    control.seed = o.SEED;
    control.evaluations = o.ANNEALN;
    control.temperature = o.ANNEALT;
    control.interrupt = interrupt_checkpoint;
    const AnnealResult a = simulated_annealing(start, objective, control);
    if (!a.defined) return start;
    e.annealed = true;
    e.anneal_evaluations = a.evaluations;
    e.anneal_temperatures = a.temperatures;
    // NLINEAR's objective is minus half the sum of squares.
    e.anneal_start = sum_of_squares ? -2 * a.start_value : a.start_value;
    e.anneal_best = sum_of_squares ? -2 * a.best_value : a.best_value;
    return a.best;
}

// The value of an objective at b through a full evaluation, for the annealing search.
AnnealObjective value_of(const LikelihoodEvaluate& evaluate) {
    return [evaluate](const std::vector<Real>& b, Real& value) {
        LikelihoodPoint point;
        int row = -1;
        if (!evaluate(b, LikelihoodNeeds{}, point, row)) return false;
        value = point.llf;
        return true;
    };
}

// NLINEAR by one of the maximisers, on minus half the sum of squares, from the starting values;
// the least-squares quantities at the point it ends at.
NlsResult fit_by_maximizer(const EquationModel& model, const std::vector<Real>& y,
                           const NonlinOptions& o, RowFailure& failure) {
    const EquationModel* on = &model;
    const MaximizeMethod method = maximize_method(o.METHOD);
    const LikelihoodEvaluate evaluate =
        row_sum_evaluate(on, model.k(), &y, failure, method != MaximizeMethod::GQDFP);
    MaximizeControl control;
    control.method = method;
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.llf_tolerance = o.OBJCONV;
    control.opg_at_maximum = false;
    control.interrupt = interrupt_checkpoint;
    const MaximizeResult m = maximize_likelihood(model.start, evaluate, control, true);
    NlsResult out;
    if (m.status == MaximizeStatus::UNDEFINED_AT_START) {
        out.status = NlsStatus::UNDEFINED_AT_START;
        out.failed_row = m.failed_row;
        return out;
    }
    NlsControl none; // no step: the residuals, Jacobian and (J'J)^-1 where the maximiser ended
    none.max_iterations = 0;
    RowFailure ignored;
    out = fit_least_squares(model, y, m.parameters, none, ignored);
    out.iterations = m.iterations;
    out.history.clear();
    for (const MaximizeIteration& it : m.history)
        out.history.push_back({it.iteration, -2 * it.llf, 0, it.parameters});
    if (out.status != NlsStatus::SINGULAR) {
        switch (m.status) {
        case MaximizeStatus::CONVERGED:
            out.status = NlsStatus::CONVERGED;
            break;
        case MaximizeStatus::SINGULAR:
            out.status = NlsStatus::SINGULAR;
            out.dependent_parameter = m.dependent_parameter;
            break;
        case MaximizeStatus::STUCK:
            out.status = NlsStatus::STUCK;
            break;
        default:
            out.status = NlsStatus::ITERATION_LIMIT;
        }
    }
    return out;
}

// The fit whose first iterations are taken in double over all the rows (after a subsample's,
// on a long sample) and the last ones in binary128 from there, by Newton steps with the double
// Hessian. False (nothing in `e` changed) when the double iterations found no start, when the
// binary128 steps from it did not converge, or when they converged to a sum of squares above the
// one at the start given (beyond the double sum's rounding): the double path has then gone
// uphill somewhere, and the fit is made in binary128 throughout.
bool fit_from_double_start(const EquationModel& model, const std::vector<Real>& y,
                           const std::vector<Real>& start, const NlsControl& control,
                           NonlinEstimate& e, NlsResult& fit) {
    const NlsDoubleStart first =
        nls_double_start(model, y, start, SUBSAMPLE_FROM, SUBSAMPLE_ROWS, control.interrupt);
    if (!first.found || first.iterations >= control.max_iterations) return false;
    RowFailure failure;
    NlsResult last = newton_finish(
        model.n(), first.theta, first.hessian, least_squares_evaluate(model, y, failure), control,
        std::min(FINISH_STEPS, control.max_iterations - first.iterations));
    if (last.status != NlsStatus::CONVERGED) return false;
    if (!(last.sse <= first.start_sse * (1 + DOUBLE_START_SSE_MARGIN))) return false;
    // One history and count over both phases.
    for (NlsIteration& it : last.history) it.iteration += first.iterations;
    for (std::size_t i = 0; i < first.history.size(); ++i)
        last.history.insert(last.history.begin() + static_cast<std::ptrdiff_t>(i),
                            {int(i) + 1, first.history_sse[i], 0, first.history[i]});
    last.iterations += first.iterations;
    e.subsample_n = first.subsample_n;
    e.subsample_iterations = first.subsample_iterations;
    e.double_iterations = first.iterations;
    fit = std::move(last);
    return true;
}

NonlinEstimate fit_nlinear(const EquationModel& model, const NonlinOptions& o) {
    NonlinEstimate e;
    start_estimate(model, e);
    EstimationResults& r = e.result.record;
    const int n = r.n, k = r.k;
    const std::vector<Real> y = dependent_values(model);
    NlsControl control;
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.interrupt = interrupt_checkpoint; // Ctrl-C ends the command between iterations
    // On a long sample the starting values are first carried to the minimum of an evenly
    // spaced subsample, where each iteration costs a fraction of one over all the data; the
    // fit over all of them then starts next to its minimum.
    std::vector<Real> start = model.start;
    const bool levenberg_marquardt = o.METHOD == "NEWTON" || o.METHOD == "ANNEAL";
    if (o.METHOD == "ANNEAL") { // then Levenberg-Marquardt from the best point
        const EquationModel* on = &model;
        RowFailure ignored;
        start = annealed_start(start, value_of(row_sum_evaluate(on, k, &y, ignored)), o, true, e);
    }
    const std::vector<Real> given = start;
    NlsResult fit;
    bool fitted = false;
    if (levenberg_marquardt && n >= nlinear_double_start_from() &&
        !(control.parameter_tolerance > DOUBLE_START_LOOSEST_TOLERANCE))
        fitted = fit_from_double_start(model, y, start, control, e, fit);
    if (!fitted && levenberg_marquardt && n >= SUBSAMPLE_FROM) {
        const EquationModel part = evenly_spaced(model, SUBSAMPLE_ROWS);
        const std::vector<Real> part_y = dependent_values(part);
        RowFailure ignored;
        NlsControl loose = control;
        loose.parameter_tolerance = std::max(control.parameter_tolerance, SUBSAMPLE_TOLERANCE);
        const NlsResult first = fit_least_squares(part, part_y, start, loose, ignored);
        if (first.status == NlsStatus::CONVERGED) {
            start = first.parameters;
            e.subsample_n = part.n();
            e.subsample_iterations = first.iterations;
        }
    }
    NlsControl near = control; // next to the minimum: undamped steps first
    if (e.subsample_n > 0) near.lambda_start = 0;
    if (!fitted)
        fit = levenberg_marquardt ? fit_least_squares(model, y, start, near, e.evaluation)
                                  : fit_by_maximizer(model, y, o, e.evaluation);
    if (!fitted && fit.status != NlsStatus::CONVERGED && e.subsample_n > 0) {
        // From the subsample's minimum the fit went astray: all the data from the start given.
        e.subsample_n = e.subsample_iterations = 0;
        fit = fit_least_squares(model, y, given, control, e.evaluation);
    }
    e.iterations = fit.iterations;
    e.at_rounding_floor = fit.status == NlsStatus::CONVERGED && fit.at_rounding_floor;
    for (const NlsIteration& it : fit.history)
        e.history.push_back({it.iteration, it.sse, it.parameters});
    e.end = nonlin_end(fit.status);
    if (e.end == NonlinEnd::UNDEFINED) return e;
    e.dependent_parameter = fit.dependent_parameter;
    if (e.end == NonlinEnd::SINGULAR) return e;
    r.coef = fit.parameters;
    r.sse = fit.sse;
    r.residuals = fit.residuals;
    r.predicted.resize(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) r.predicted[i] = y[i] - r.residuals[i];
    const MeanAndSquares m = exact_mean_and_centred_squares(y.data(), y.size());
    e.ymean = m.mean;
    r.sst = m.centred_squares;
    e.sigma2 = r.df > 0 ? r.sse / r.df : Real(0);
    r.sigma = qm::sqrt(qm::abs(e.sigma2));
    r.rsqr = r.sst > 0 ? 1 - r.sse / r.sst : Real(0);
    e.adjusted_r2 =
        r.df > 0 && n > 1 && r.sst > 0 ? 1 - (r.sse / r.df) / (r.sst / (n - 1)) : Real(0);
    r.llf = n > 0 && r.sse > 0 ? -Real(n) / 2 * (1 + qm::log(2 * qm::PI) + qm::log(r.sse / n))
                               : Real(0);
    if (fit.jtj_inverse.empty()) { // J'J singular where the iteration stopped
        e.end = NonlinEnd::SINGULAR;
        return e;
    }
    if (o.HETCOV) {
        r.cov =
            robust_least_squares_covariance(fit.jacobian, fit.residuals, fit.jtj_inverse, n, k, 0);
    } else {
        r.cov = fit.jtj_inverse;
        for (Real& v : r.cov) v *= e.sigma2;
    }
    finish_estimate(e);
    return e;
}

NonlinEstimate fit_mle(const EquationModel& model, const NonlinOptions& o) {
    NonlinEstimate e;
    e.likelihood = true;
    start_estimate(model, e);
    EstimationResults& r = e.result.record;
    const int k = r.k;
    const EquationModel* on = &model; // the observations evaluated: all, or a subsample
    LikelihoodEvaluate evaluate = row_sum_evaluate(on, k, nullptr, e.evaluation);
    MaximizeControl control;
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.llf_tolerance = o.OBJCONV;
    control.method = maximize_method(o.METHOD);
    control.interrupt = interrupt_checkpoint; // Ctrl-C ends the command between iterations
    // On a long sample the starting values are first carried to the maximum over an evenly
    // spaced subsample; the iterations over all the data then start next to theirs.
    std::vector<Real> start = model.start;
    if (o.METHOD == "ANNEAL") { // the local method from the best point: Newton's
        start = annealed_start(start, value_of(evaluate), o, false, e);
        e.evaluation = RowFailure{};
    }
    const std::vector<Real> given = start; // the starting values, or annealing's best point
    EquationModel part;
    if (r.n >= MLE_SUBSAMPLE_FROM) {
        // Two subsamples, the first an eighth of the second: the many iterations from far
        // away cost an eighth. Each stage's Hessian at its maximum, scaled by the ratio of the
        // numbers of observations, takes the first step of the next.
        std::vector<Real> hessian;
        int hessian_rows = 0;
        auto start_from = [&](int rows) {
            control.start_hessian = hessian;
            for (Real& v : control.start_hessian) v *= Real(rows) / Real(hessian_rows);
        };
        for (const int rows : {MLE_SUBSAMPLE_ROWS / 8, MLE_SUBSAMPLE_ROWS}) {
            part = evenly_spaced(model, rows);
            on = &part;
            start_from(part.n());
            MaximizeControl loose = control;
            loose.parameter_tolerance = std::max(control.parameter_tolerance, SUBSAMPLE_TOLERANCE);
            loose.llf_tolerance =
                std::max(control.llf_tolerance, SUBSAMPLE_TOLERANCE * SUBSAMPLE_TOLERANCE);
            const MaximizeResult first = maximize_likelihood(start, evaluate, loose, true);
            if (first.status == MaximizeStatus::CONVERGED) {
                start = first.parameters;
                e.subsample_n = part.n();
                e.subsample_iterations += first.iterations;
                hessian = first.at_maximum.hessian;
                hessian_rows = part.n();
            } else {
                hessian.clear();
            }
        }
        on = &model;
        start_from(r.n);
        e.evaluation = RowFailure{};
    }
    MaximizeResult fit = maximize_likelihood(start, evaluate, control, true);
    if (fit.status != MaximizeStatus::CONVERGED && e.subsample_n > 0) {
        // From the subsample's maximum the iteration went astray: from the start given.
        e.subsample_n = e.subsample_iterations = 0;
        control.start_hessian.clear();
        fit = maximize_likelihood(given, evaluate, control, true);
    }
    e.iterations = fit.iterations;
    for (const MaximizeIteration& it : fit.history)
        e.history.push_back({it.iteration, it.llf, it.parameters});
    e.end = nonlin_end(fit.status);
    if (e.end == NonlinEnd::UNDEFINED) return e;
    e.dependent_parameter = fit.dependent_parameter;
    r.coef = fit.parameters;
    r.llf = fit.at_maximum.llf;
    if (e.end == NonlinEnd::SINGULAR) return e;
    // The covariance: the inverse of minus the Hessian, of the outer product, or the sandwich.
    std::vector<Real> lower, minus_hessian(fit.at_maximum.hessian);
    for (Real& v : minus_hessian) v = -v;
    int bad = -1;
    const bool opg_only = o.COVTYPE == "OPG";
    const std::vector<Real>& bread = opg_only ? fit.at_maximum.opg : minus_hessian;
    if (!cholesky_factor(bread, k, lower, bad, Real(1e-32Q))) {
        e.end = e.end == NonlinEnd::CONVERGED ? NonlinEnd::SINGULAR : NonlinEnd::NOT_DEFINITE;
        e.dependent_parameter = bad;
        return e;
    }
    const std::vector<Real> inverse = cholesky_inverse(lower, k);
    if (o.COVTYPE == "SANDWICH" || (o.HETCOV && !opg_only)) {
        r.cov = sandwich_product(inverse, fit.at_maximum.opg, k);
    } else {
        r.cov = inverse;
    }
    finish_estimate(e);
    return e;
}

// The estimate, or why there is none.
NonlinEstimate with_failure(const EquationModel& model, NonlinEstimate e) {
    if (e.end == NonlinEnd::UNDEFINED || e.end == NonlinEnd::SINGULAR ||
        e.end == NonlinEnd::NOT_DEFINITE)
        e.result.failure = failure_of(model, e);
    return e;
}

} // namespace

int nlinear_double_start_from() {
    return double_start_from;
}

void set_nlinear_double_start_from(int n) {
    double_start_from = n;
}

// y at the observations in use.
std::vector<Real> dependent_values(const EquationModel& model) {
    std::vector<Real> y(model.obs.size(), 0);
    for (const EquationModel::Series& s : model.series) {
        if (s.ref != model.dep_ref) continue;
        for (std::size_t i = 0; i < y.size(); ++i) {
            const long long t = model.obs[i];
            y[i] = s.constant ? s.value : (t <= s.length ? s.first[t * s.inc] : Real(0));
        }
    }
    return y;
}

NonlinEstimate estimate_nlinear(const EquationModel& model, const NonlinOptions& o) {
    return with_failure(model, fit_nlinear(model, o));
}

NonlinEstimate estimate_mle(const EquationModel& model, const NonlinOptions& o) {
    return with_failure(model, fit_mle(model, o));
}

} // namespace tarvex
