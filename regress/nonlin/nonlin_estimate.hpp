// What NLINEAR and MLE return: the stored result (estimates, covariance, summary numbers, result
// scalars, or why the estimation failed), the iteration history and how the iteration ended.
// The estimators write nothing; the report prints this value and the command stores it.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/nonlin/equation_model.hpp"
#include "regress/nonlin/nonlin_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

enum class NonlinEnd {
    CONVERGED,
    ITERATION_LIMIT, // the last iterate is reported, with a warning
    STUCK,           // no step improves the objective although the steps are not small
    SINGULAR,        // J'J or the Hessian is singular: no covariance
    NOT_DEFINITE,    // MLE: not converged, and minus the Hessian is not positive definite there
    UNDEFINED,       // the equation cannot be evaluated at the starting values
};

struct NonlinIteration {
    int iteration = 0;
    Real objective = 0; // sum of squares (NLINEAR) or log-likelihood (MLE)
    std::vector<Real> parameters;
};

struct NonlinEstimate {
    bool likelihood = false; // MLE (else NLINEAR)
    NonlinEnd end = NonlinEnd::CONVERGED;
    RowFailure evaluation;        // UNDEFINED: where the equation could not be evaluated
    int dependent_parameter = -1; // SINGULAR, NOT_DEFINITE
    int iterations = 0;
    // NLINEAR converged where a step no longer changes the sum of squares (before the relative
    // change of the parameters fell below CONVERGE): the report says so.
    bool at_rounding_floor = false;
    int subsample_n = 0, subsample_iterations = 0; // a long sample: the first fit's
    int double_iterations = 0; // NLINEAR on a long sample: the first iterations, in double
    // METHOD=ANNEAL: the search before the local method, in the objective's own terms (the
    // log-likelihood, or the sum of squares).
    bool annealed = false;
    int anneal_evaluations = 0, anneal_temperatures = 0;
    Real anneal_start = 0, anneal_best = 0;
    std::vector<NonlinIteration> history;
    // The estimates: coefficients, covariance, standard errors, ratios and p-values (normal for
    // MLE), N, K, df, the log-likelihood; NLINEAR also the fitted values and residuals, SSE,
    // SST, R-square and sigma. With the result scalars, and the failure of an estimation that
    // ended UNDEFINED, SINGULAR or NOT_DEFINITE.
    ModelResult result;
    Real ymean = 0, sigma2 = 0, adjusted_r2 = 0; // NLINEAR
};

// The dependent variable at the observations in use.
std::vector<Real> dependent_values(const EquationModel& model);

// NLINEAR by Levenberg-Marquardt takes its first iterations in double from this many
// observations (100,001); tests lower it to compare both paths on short samples.
int nlinear_double_start_from();
void set_nlinear_double_start_from(int n);

NonlinEstimate estimate_nlinear(const EquationModel& model, const NonlinOptions& o);
NonlinEstimate estimate_mle(const EquationModel& model, const NonlinOptions& o);

} // namespace tarvex
