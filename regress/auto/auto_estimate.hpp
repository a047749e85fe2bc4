// AUTO's estimator: a linear regression whose errors follow an AR(1) or AR(2) process, by
// Cochrane-Orcutt iteration, by Prais-Winsten iteration (the first observations kept by the exact
// transformation) or by exact maximum likelihood. Every fit at a given rho comes from the
// cross-products of the data and its lags, formed once (kernels/ar_moments); one more pass over
// the rows gives the residuals at the estimates. The estimator never sees the run: it returns
// the estimates, and, when they stand, the result with rho (and rho2) as named parameters after
// the regressors.
#pragma once

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
    Real tolerance = 1e-20Q; // on the change of every rho
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
    int n = 0, k = 0, order = 0;
    int rows_used = 0; // n, or n - p for Cochrane-Orcutt
    int iterations = 0;
    std::vector<std::vector<Real>> history; // rho after each iteration
    std::vector<Real> history_value;        // log-likelihood (ML) or SSE after each iteration
    std::vector<Real> rho, rho_se;
    std::vector<Real> coef, cov, se; // the regression: K, K x K row-major, K
    Real sse = 0;                    // transformed residuals' sum of squares
    Real sigma2 = 0;                 // ML: SSE/n; iterations: SSE/(rows - K)
    Real llf = 0;
    Real dw = 0; // of the transformed residuals
    Real r2 = 0; // 1 - sum e^2 / sum (y - ybar)^2 of the one-step predictions
    std::vector<Real> predicted,
        innovations;              // one-step predictions x'b + rho u_(t-1) ..., y - them
    std::vector<Real> structural; // u = y - x'b
    // The covariance of (b, rho), K + p square row-major: minus the inverse Hessian under ML;
    // after the iterations the regression's block and rho's from the residuals' regression,
    // with no covariance between the two (each is estimated given the other).
    std::vector<Real> full_cov;
    // When converged: coefficients b then rho (RHO, RHO2), their covariance, standard errors,
    // ratios and p-values (the regression's by t after the iterations, rho's always by the
    // normal), the one-step predictions and their errors, N, K, df, SSE, sigma, the one-step
    // R-square, the log-likelihood, rho for FCAST, and the result scalars.
    ModelResult result;
};

AutoEstimate estimate_auto(const AutoData& data, const AutoControl& control);

} // namespace tarvex
