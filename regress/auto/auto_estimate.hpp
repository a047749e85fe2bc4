// AUTO's estimator: a linear regression whose errors follow an AR(1) or AR(2) process, by
// Cochrane-Orcutt iteration, by Prais-Winsten iteration (the first observations kept by the exact
// transformation) or by exact maximum likelihood. Every fit at a given rho comes from the
// cross-products of the data and its lags, formed once (kernels/ar_moments); one more pass over
// the rows gives the residuals at the estimates. The estimator never sees the run: it returns
// the estimates, and, when they stand, the result with rho (and rho2) as named parameters after
// the regressors.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

enum class AutoMethod { ML, CORC, PW };

struct AutoControl {
    AutoMethod method = AutoMethod::ML;
    int order = 1;
    int max_iterations = 100;
    Real tolerance = 1e-20Q;  // on the change of every rho
    InterruptCheck interrupt; // asked between iterations; throws to stop the estimation
};

struct AutoData {
    std::vector<const Real*> x; // k regressor columns of n rows (null: the intercept)
    const Real* y = nullptr;
    std::size_t n = 0;
};

enum class AutoEnd { CONVERGED, ITERATION_LIMIT, NONSTATIONARY, SINGULAR, NOT_FINITE };

struct AutoEstimate {
    AutoEnd end = AutoEnd::CONVERGED;
    int bad_column = -1; // SINGULAR: the dependent regressor
    int order = 0;
    int iterations = 0;
    std::vector<std::vector<Real>> history; // rho after each iteration
    std::vector<Real> history_value;        // log-likelihood (ML) or SSE after each iteration
    std::vector<Real> rho;                  // at the end of the iterations
    Real sigma2 = 0; // ML: SSE/n; iterations: SSE/(rows - K), with SSE the transformed residuals'
    Real dw = 0;     // of the transformed residuals
    // When converged: coefficients b then rho (RHO, RHO2), their covariance (K + p square:
    // minus the inverse Hessian under ML; after the iterations the regression's block and rho's
    // from the residuals' regression, none between the two), standard errors, ratios and
    // p-values (the regression's by t after the iterations, rho's always by the normal), the
    // one-step predictions x'b + rho u(t-1) ... and their errors, N, K, df, SSE, sigma, the
    // one-step R-square, the log-likelihood, rho for FCAST, and the result scalars.
    ModelResult result;
};

AutoEstimate estimate_auto(const AutoData& data, const AutoControl& control);

} // namespace tarvex
