// What NLINEAR and MLE return to their report: the estimates with their covariance, the summary
// numbers, the iteration history and how the iteration ended. The estimators write nothing; the
// report prints this value and stores it.
#pragma once

#include "numeric/real.hpp"
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
    RowFailure failure;           // UNDEFINED
    int dependent_parameter = -1; // SINGULAR
    int iterations = 0;
    int subsample_n = 0, subsample_iterations = 0; // NLINEAR on a long sample: the first fit
    std::vector<NonlinIteration> history;
    std::vector<std::string> names;
    std::vector<Real> coef, cov, se, tstat; // cov K x K row-major
    int n = 0, k = 0;
    Real df = 0;
    // NLINEAR
    Real sse = 0, sst = 0, ymean = 0, sigma2 = 0, r2 = 0, adr2 = 0;
    std::vector<Real> fitted, resid; // by row of the observations in use
    // Both: the log-likelihood at the estimates (normal errors for NLINEAR)
    Real llf = 0;
    std::vector<int> obs;
    int beg = 0, end_obs = 0;
};

NonlinEstimate estimate_nlinear(const EquationModel& model, const NonlinOptions& o);
NonlinEstimate estimate_mle(const EquationModel& model, const NonlinOptions& o);

} // namespace tarvex
