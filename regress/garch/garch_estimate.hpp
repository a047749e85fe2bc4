// The estimation of a GARCH model by exact maximum likelihood (the presample variance as
// garch_likelihood.hpp says): least squares of the mean equation and omega = 0.1 of their
// residual variance, alpha = 0.1/q, beta = 0.8/p (nu = 8) start quasi-Newton (BFGS) iterations
// on the analytic gradient, which Newton's method with the Hessian by central differences of
// that gradient then takes to the maximum. The covariance is minus the inverse Hessian, or the
// robust (quasi-maximum-likelihood) sandwich H^-1 (sum of the rows' score outer products) H^-1.
// The estimator also forecasts the variance and the mean HORIZON steps ahead. It writes nothing.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/garch/garch_likelihood.hpp"
#include "regress/garch/garch_model.hpp"

#include <vector>

namespace tarvex {

struct GarchControl {
    int max_iterations = 100;
    Real parameter_tolerance = 1e-20Q;
    bool robust = false; // the sandwich covariance is the one stored and printed
    int horizon = 0;
    InterruptCheck interrupt;
};

enum class GarchEnd {
    CONVERGED,
    ITERATION_LIMIT,
    STUCK,
    UNDEFINED_AT_START, // no positive variance at the starting values
    SINGULAR,           // the Hessian at the estimates is not negative definite
    PERSISTENT,         // alpha + beta >= 1 at the estimates: no finite variance
    OMEGA_AT_ZERO,      // omega runs to its lower bound 0 (or below it)
    UNDEFINED_AT_END,   // no positive variance at the estimates the maximisation ended at
};

struct GarchEstimate {
    GarchEnd end = GarchEnd::CONVERGED;
    int iterations = 0;
    std::vector<MaximizeIteration> history;
    int failed_row = -1;        // UNDEFINED_AT_START: the row whose variance was not positive
    std::vector<Real> gradient; // of the log-likelihood at the estimates
    std::vector<Real> hessian_cov, robust_cov; // K x K, both covariances
    std::vector<Real> other_stderrs;           // the standard errors of the covariance not stored
    Real h0 = 0, persistence = 0, unconditional = 0, aic = 0, bic = 0;
    std::vector<Real> variance;                                 // h_t of every row
    std::vector<Real> forecast, forecast_se, forecast_variance; // 1..horizon steps ahead
    // The record stored: parameters (named by the command), covariance, standard errors and
    // ratios, fitted values and residuals e_t of the mean equation, N, K, DF, SSE, the
    // log-likelihood; the scalars $LLF $N $K $DF $SSE $AIC $SC.
    ModelResult result;
};

// `y` and the regressors `x` at the observations (unbroken); `future_x` the regressors at the
// horizon's observations (needed with regressors and a horizon).
GarchEstimate estimate_garch(const std::vector<Real>& y, const std::vector<std::vector<Real>>& x,
                             const std::vector<std::vector<Real>>& future_x,
                             const GarchOrders& orders, const GarchControl& control);

} // namespace tarvex
