// The maximisation every choice estimator runs: maximize_likelihood (Newton with the exact
// Hessian unless the control asks otherwise) fed by one pass over the rows per point for the
// log-likelihood and gradient, kept so that the kernel's value-only trial at a point and its full
// evaluation there cost one pass, and by the exact Gram kernel for the Hessian (and, only when
// the sandwich covariance or a BHHH-type method needs it, the outer product of the scores).
#pragma once

#include "kernels/convergence.hpp"
#include "kernels/exact_gram.hpp"
#include "kernels/maximize_likelihood.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_pass.hpp"
#include "regress/fit/model_result.hpp"

#include <functional>
#include <vector>

namespace tarvex {

// What the binary and TOBIT estimates share: how the fit ended, the iterations with the
// parameters and the log-likelihood after each, the rows of a preliminary fit, N and K, and the
// result that is stored (the estimates are read from its record).
struct IndexEstimate {
    ChoiceEnd end = ChoiceEnd::CONVERGED;
    int iterations = 0;
    int bad_column = -1;       // SINGULAR: the coefficient not identified
    int subsample_n = 0;       // rows of the preliminary fit (0: none)
    int double_iterations = 0; // of `iterations`, those taken in double to find the start
    std::vector<std::vector<Real>> history;
    std::vector<Real> history_llf;
    int n = 0, k = 0;
    ModelResult result;
};

// Marginal effects dP/dx_j (or dE/dx_j) with their standard errors and their ratios, one per
// coefficient; the intercept's entries are 0 and not reported.
struct MarginalEffects {
    std::vector<Real> effect, se, ratio;
};

// The ratio of each effect to its standard error (0 where the error is not positive).
void effect_ratios(MarginalEffects& m);

// The delta-method standard errors sqrt(diag(G V G')) of effects with Jacobian G (m x p) and
// covariance V (p x p), both row-major.
std::vector<Real> delta_method_se(const std::vector<Real>& g, const std::vector<Real>& v, int m,
                                  int p);

// Evenly spaced rows (every n/rows-th) for the preliminary fit of a long sample.
std::vector<std::size_t> evenly_spaced_rows(std::size_t n, std::size_t rows);
// The data at the rows `keep`.
ChoiceData data_rows(const ChoiceData& data, const std::vector<std::size_t>& keep);
// Above this many rows a preliminary fit on SUBSAMPLE_ROWS evenly spaced rows gives the start.
inline constexpr std::size_t SUBSAMPLE_ABOVE = 50000;
inline constexpr std::size_t SUBSAMPLE_ROWS = 20000;
// The preliminary fit only gives a start: it stops at this relative change of the parameters.
inline const Real SUBSAMPLE_TOLERANCE = 1e-12Q;
inline ChoiceControl subsample_control(const ChoiceControl& control) {
    ChoiceControl loose = control;
    loose.parameter_tolerance = SUBSAMPLE_TOLERANCE;
    loose.sandwich = false;
    loose.start_hessian.clear();
    return loose;
}
// The control of the fit over all `n` rows after a preliminary fit over `part` of them: the
// preliminary Hessian, scaled by n / part, takes the first step.
inline ChoiceControl after_subsample(const ChoiceControl& control,
                                     const std::vector<Real>& part_hessian, std::size_t part,
                                     std::size_t n) {
    ChoiceControl c = control;
    c.start_hessian = part_hessian;
    for (Real& v : c.start_hessian) v *= Real(n) / Real(part);
    return c;
}

// Below this change relative to the log-likelihood, a trial step is judged by the quadratic
// model at the last point instead of a pass over the rows (see maximize_rows).
inline const Real MODEL_RESOLUTION = 1e-30Q;

// g'd + d'Hd/2 for the step d = theta - at, with the gradient and Hessian of `point`.
inline Real quadratic_change(const LikelihoodPoint& point, const std::vector<Real>& at,
                             const std::vector<Real>& theta) {
    const std::size_t p = at.size();
    Real change = 0;
    for (std::size_t a = 0; a < p; ++a) {
        const Real da = theta[a] - at[a];
        Real hd = 0;
        for (std::size_t b = 0; b < p; ++b) hd += point.hessian[a * p + b] * (theta[b] - at[b]);
        change += da * (point.gradient[a] + hd / 2);
    }
    return change;
}

// Nothing to add after a pass.
struct NoFinish {
    void operator()(const std::vector<Real>&, PassSums&, std::vector<Real>*) const {}
};

struct ChoiceFit {
    ChoiceEnd end = ChoiceEnd::CONVERGED;
    int iterations = 0;
    int bad_parameter = -1; // SINGULAR
    std::vector<Real> theta;
    Real llf = 0;
    std::vector<Real> hessian, opg; // p x p at theta
    // The gradient at theta as the fit left it, and the step that led there when it was taken
    // on the quadratic model of the point it left (MaximizeResult::modeled_step; else empty).
    std::vector<Real> gradient, modeled_step;
    std::vector<std::vector<Real>> history; // the parameters after each iteration
    std::vector<Real> history_llf;
};

// The rows of a model as the maximisation sees them: the p columns of the row vectors v_i, from
// which the Hessian (and the outer product of the scores) are formed.
struct RowColumns {
    std::vector<const Real*> columns; // p columns of n values
    std::size_t n = 0;
    // Rows not held in memory (n 0, no columns): the Hessian at the point of the last pass,
    // which the pass formed from its rows as they went by.
    std::function<std::vector<Real>()> pass_hessian;
};

// Once a point is this close to the one whose Hessian was formed (relative change of every
// parameter), that Hessian is kept: it differs from the new one by about as little.
inline const Real HESSIAN_KEEP = 1e-12Q;

// Forms -sum w_i v_i v_i' from the columns scaled by `root` (sqrt(w_i) by row), p x p.
std::vector<Real> weighted_cross_products(const RowColumns& rows, const std::vector<Real>& root);
// The same from the exact sums of the scaled columns, gathered over blocks of rows.
std::vector<Real> minus_cross_products(GramAccumulator& sums);

// Maximises a log-likelihood over p parameters from `start`, whose passes over the rows
// `pass(theta, sums, root, score)` form: the log-likelihood and gradient into `sums`, sqrt(w_i)
// into root[i] and, when `score` is not empty, |a_i| into score[i] (the rows' Hessian and outer
// product of the scores come from those by the exact Gram kernel). `finish(theta, sums, hessian)`
// adds what does not belong to a row (hessian null when only the value and gradient were formed).
template <class Pass, class Finish = NoFinish>
ChoiceFit maximize_passes(const RowColumns& rows, const std::vector<Real>& start,
                          const ChoiceControl& control, Pass&& pass, Finish finish = Finish{}) {
    const std::size_t n = rows.n;
    const bool need_opg = control.sandwich || control.method != MaximizeMethod::NEWTON;
    std::vector<Real> value_at, hessian_at, base_at;
    PassSums sums;
    std::vector<Real> root(n), score(need_opg ? n : 0), hessian, opg;
    LikelihoodPoint base; // the last point evaluated with its derivatives
    LikelihoodEvaluate evaluate = [&](const std::vector<Real>& theta, const LikelihoodNeeds& needs,
                                      LikelihoodPoint& point, int& failed_row) {
        if (!needs.gradient && !base_at.empty() && !base.hessian.empty()) {
            // A step whose change of the log-likelihood, by the quadratic model at the last
            // point, is below what the sum over the rows resolves: the model (exact to third
            // order in the step) judges it, and no pass is spent on rounding noise.
            const Real change = quadratic_change(base, base_at, theta);
            if (qm::abs(change) < MODEL_RESOLUTION * (qm::abs(base.llf) + 1)) {
                point.llf = base.llf + change;
                return true;
            }
        }
        if (theta != value_at) {
            pass(theta, sums, root, score);
            finish(theta, sums, static_cast<std::vector<Real>*>(nullptr));
            value_at = theta;
            opg.clear();
        }
        if (!sums.defined || !finiteq(sums.llf)) {
            failed_row = static_cast<int>(sums.failed_row);
            return false;
        }
        point.llf = sums.llf;
        point.gradient = sums.gradient;
        point.hessian.clear();
        point.opg.clear();
        if (needs.hessian) {
            std::vector<Real> moved(theta.size());
            for (std::size_t j = 0; j < theta.size() && !hessian_at.empty(); ++j)
                moved[j] = theta[j] - hessian_at[j];
            if (hessian_at.empty() || !small_change(moved, hessian_at, HESSIAN_KEEP)) {
                hessian =
                    rows.pass_hessian ? rows.pass_hessian() : weighted_cross_products(rows, root);
                finish(theta, sums, &hessian);
                hessian_at = theta;
            }
            point.hessian = hessian;
        }
        if (needs.opg && need_opg) {
            if (opg.empty()) opg = weighted_cross_products(rows, score);
            for (Real& v : opg) v = -v;
            point.opg = opg;
            for (Real& v : opg) v = -v;
        }
        if (needs.gradient) {
            base = point;
            base_at = theta;
        }
        return true;
    };
    const MaximizeResult r = maximize_likelihood(start, evaluate, maximize_control(control), true);
    ChoiceFit fit;
    fit.iterations = r.iterations;
    for (const MaximizeIteration& it : r.history) {
        fit.history.push_back(it.parameters);
        fit.history_llf.push_back(it.llf);
    }
    fit.end = maximize_end(r.status);
    fit.theta = r.parameters;
    if (fit.end == ChoiceEnd::SINGULAR) fit.bad_parameter = r.dependent_parameter;
    if (fit.end == ChoiceEnd::UNDEFINED || fit.end == ChoiceEnd::SINGULAR) return fit;
    fit.llf = r.at_maximum.llf;
    fit.hessian = r.at_maximum.hessian;
    fit.opg = r.at_maximum.opg;
    fit.gradient = r.at_maximum.gradient;
    fit.modeled_step = r.modeled_step;
    return fit;
}

// Maximises the sum over the rows of the terms `row` adds over p parameters from `start`.
// `row(i, theta, sums, v, root, score)` adds row i at theta (PassSums::add), sets root =
// sqrt(w_i) and score = a_i; `finish` as for maximize_passes.
template <class Row, class Finish = NoFinish>
ChoiceFit maximize_rows(const RowColumns& rows, const std::vector<Real>& start,
                        const ChoiceControl& control, Row&& row, Finish finish = Finish{}) {
    const int p = static_cast<int>(rows.columns.size());
    return maximize_passes(
        rows, start, control,
        [&](const std::vector<Real>& theta, PassSums& sums, std::vector<Real>& root,
            std::vector<Real>& score) {
            run_pass(rows.n, p, sums, [&](std::size_t i, PassSums& s, Real* v) {
                Real a = 0;
                const bool ok = row(i, theta, s, v, root[i], a);
                if (!score.empty()) score[i] = qm::abs(a);
                return ok;
            });
        },
        finish);
}

// One more Newton step from the end of a converged fit, with `sums` the log-likelihood and
// gradient at fit.theta and the fit's Hessian: the parameters move by -H^-1 g, the
// log-likelihood is the quadratic model's there, and the step is counted. A fit that stopped
// after a step at the convergence rule is left that far from the maximum; the step brings it to
// binary128's resolution. Nothing changes when the sums are not finite or -H is not positive
// definite.
void newton_step_at_end(ChoiceFit& fit, const PassSums& sums);

// The covariance of the estimates: -H^-1, or H^-1 (sum g_i g_i') H^-1 with `sandwich`. False
// (with the parameter in `bad`) when -H is not positive definite.
bool choice_covariance(const ChoiceFit& fit, int p, bool sandwich, std::vector<Real>& cov,
                       int& bad);

} // namespace tarvex
