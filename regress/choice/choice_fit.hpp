// The maximisation every choice estimator runs: maximize_likelihood (Newton with the exact
// Hessian unless the control asks otherwise) fed by one pass over the rows per point. The pass
// always forms the log-likelihood, gradient and Hessian together and keeps them, so the
// kernel's value-only trial at a point and its full evaluation at the same point cost one pass;
// the outer product is formed only when the sandwich covariance or a BHHH-type method needs it.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_pass.hpp"

#include <vector>

namespace tarvex {

// How a choice estimation ended.
enum class ChoiceEnd {
    CONVERGED,
    ITERATION_LIMIT, // the last iterate is reported with a warning
    STUCK,           // no step raises the likelihood; the last iterate is reported
    SEPARATED,       // a regressor or a combination predicts some outcomes perfectly
    SINGULAR,        // a coefficient is not identified
    UNDEFINED,       // the likelihood cannot be evaluated at the start
};

// Marginal effects dP/dx_j (or dE/dx_j) with their standard errors, one per coefficient; the
// intercept's entries are 0 and not reported.
struct MarginalEffects {
    std::vector<Real> effect, se;
};

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

// Nothing to add after a pass.
struct NoFinish {
    void operator()(const std::vector<Real>&, PassSums&) const {}
};

struct ChoiceFit {
    ChoiceEnd end = ChoiceEnd::CONVERGED;
    int iterations = 0;
    int bad_parameter = -1; // SINGULAR
    std::vector<Real> theta;
    Real llf = 0;
    std::vector<Real> hessian, opg; // p x p at theta
    std::vector<std::vector<Real>> history; // the parameters after each iteration
    std::vector<Real> history_llf;
};

// Maximises the sum over rows [0, n) of the terms `row` adds (see run_pass) over p parameters
// from `start`. `row(i, theta, sums, v, scratch)` adds row i at theta; `finish(theta, sums)`
// adds what does not belong to a row once the pass is done.
template <class Row, class Finish = NoFinish>
ChoiceFit maximize_rows(std::size_t n, int p, const std::vector<Real>& start,
                        const ChoiceControl& control, Row&& row, Finish finish = Finish{}) {
    const bool need_opg = control.sandwich || control.method != MaximizeMethod::NEWTON;
    std::vector<Real> cached_at;
    PassSums cached;
    LikelihoodEvaluate evaluate = [&](const std::vector<Real>& theta, const LikelihoodNeeds& needs,
                                      LikelihoodPoint& point, int& failed_row) {
        const bool opg = needs.opg && need_opg;
        if (theta != cached_at || (opg && cached.opg.empty())) {
            run_pass(n, p, opg, 0, cached,
                     [&](std::size_t i, PassSums& s, Real* v, Real* scratch) {
                         return row(i, theta, s, v, scratch);
                     });
            finish(theta, cached);
            cached_at = theta;
        }
        if (!cached.defined || !finiteq(cached.llf)) {
            failed_row = static_cast<int>(cached.failed_row);
            return false;
        }
        fill_point(cached, p, point);
        return true;
    };
    MaximizeControl mc;
    mc.method = control.method;
    mc.max_iterations = control.max_iterations;
    mc.parameter_tolerance = control.parameter_tolerance;
    const MaximizeResult r = maximize_likelihood(start, evaluate, mc, true);
    ChoiceFit fit;
    fit.iterations = r.iterations;
    for (const MaximizeIteration& it : r.history) {
        fit.history.push_back(it.parameters);
        fit.history_llf.push_back(it.llf);
    }
    switch (r.status) {
    case MaximizeStatus::CONVERGED:
        fit.end = ChoiceEnd::CONVERGED;
        break;
    case MaximizeStatus::ITERATION_LIMIT:
        fit.end = ChoiceEnd::ITERATION_LIMIT;
        break;
    case MaximizeStatus::STUCK:
        fit.end = ChoiceEnd::STUCK;
        break;
    case MaximizeStatus::UNDEFINED_AT_START:
        fit.end = ChoiceEnd::UNDEFINED;
        return fit;
    case MaximizeStatus::SINGULAR:
        fit.end = ChoiceEnd::SINGULAR;
        fit.bad_parameter = r.dependent_parameter;
        fit.theta = r.parameters;
        return fit;
    }
    fit.theta = r.parameters;
    fit.llf = r.at_maximum.llf;
    fit.hessian = r.at_maximum.hessian;
    fit.opg = r.at_maximum.opg;
    return fit;
}

// The covariance of the estimates: -H^-1, or H^-1 (sum g_i g_i') H^-1 with `sandwich`. False
// (with the parameter in `bad`) when -H is not positive definite.
bool choice_covariance(const ChoiceFit& fit, int p, bool sandwich, std::vector<Real>& cov,
                       int& bad);

} // namespace tarvex
