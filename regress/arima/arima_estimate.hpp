// The estimation of an ARIMA model: the series (and the regressors, if any) are differenced,
// and the AR, MA, mean and regression parameters maximise the exact Gaussian likelihood of the
// differenced series (METHOD=ML, started from the conditional-sum-of-squares estimates) or the
// conditional likelihood (METHOD=CSS), by Newton's method in the likelihood kernel with derivatives
// by central differences of the likelihood (fourth order for the gradient); on a long series the
// conditional-sum-of-squares start and the exact likelihood's first iterations run in double
// (up to eight parameters on the exact derivatives of the filter's jets), and the binary128
// iterations finish from where they end on the exact gradient of the likelihood (the iterations
// reported count both), with the jets' Hessian (else one from differences of exact gradients).
// The covariance is minus the inverse of that Hessian at the maximum (the variance concentrated
// out).
// The estimator then filters the series once more for the residuals, the Ljung-Box tests of the
// residuals and the forecasts, and fills the result that is stored. It writes nothing.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/arima/arima_identify.hpp"
#include "regress/arima/arima_likelihood.hpp"
#include "regress/arima/arima_model.hpp"
#include "regress/arima/arima_state_forecast.hpp"
#include "regress/fit/model_result.hpp"

#include <memory>
#include <vector>

namespace tarvex {

enum class ArimaMethod { ML, CSS };

struct ArimaControl {
    ArimaMethod method = ArimaMethod::ML;
    int max_iterations = 100;
    Real parameter_tolerance = 1e-20Q;
    int lags = 0;             // residual Ljung-Box statistics at lags 1..lags
    int horizon = 0;          // forecasts 1..horizon steps ahead
    InterruptCheck interrupt; // asked between iterations; throws to stop the estimation
    // ML on a long series: the first iterations in double (false: every iteration in binary128).
    bool search_in_double = true;
};

enum class ArimaEnd {
    CONVERGED,
    ITERATION_LIMIT,
    STUCK,
    NONSTATIONARY, // the AR estimates are not stationary (CSS), or no stationary start (ML)
    SINGULAR,      // the Hessian at the estimates is not negative definite
};

struct ArimaEstimate {
    ArimaEnd end = ArimaEnd::CONVERGED;
    int iterations = 0;
    std::vector<MaximizeIteration> history;
    int n = 0; // observations of y
    // The gradient of the log-likelihood at the estimates (empty on a long series, whose binary128
    // iterations end with a pass of the values alone: nothing decides on it any more).
    std::vector<Real> gradient;
    Real sigma2 = 0, aic = 0, bic = 0;
    int used = 0;           // innovations in the sum of squares (CSS: m - p - sP s)
    bool invertible = true; // the MA part at the estimates
    bool stationary = true; // the AR part at the estimates
    Correlogram resid_tests;
    ArimaForecast forecast;
    std::vector<Real> forecast_lower, forecast_upper; // the 95% interval of each forecast
    // The noise and the filter's state after the last observation, which the stored record
    // carries for FCAST (its `last` observation is the command's to set).
    std::shared_ptr<ArimaStatePart> state;
    // What is stored: the parameters (named by the command), their covariance, standard errors
    // and ratios, the one-step predictions of y and the residuals at its observations
    // d + D s + 1 .. n, N (after differencing), K, df, SSE, sigma, the log-likelihood; the
    // scalars $LLF $N $K $DF $SSE $SIG2 $AIC $SC; and as named statistics the Ljung-Box Q of the
    // residuals at the lags the report lists (every sixth and the last).
    ModelResult result;
};

// The regressors of a regression with ARMA errors: each column at the observations of y, and
// at the HORIZON observations after them (for the forecasts; may be empty without HORIZON).
struct ArimaRegressors {
    std::vector<std::vector<Real>> columns, future;
};

// The lags of the residual tests the report lists: every sixth and the last.
inline bool listed_residual_lag(int lag, int last) {
    return lag % 6 == 0 || lag == last;
}

// `xreg` holds order.regressors columns; they are differenced as y is.
ArimaEstimate estimate_arima(const std::vector<Real>& y, const ArimaOrder& order,
                             const ArimaControl& control, const ArimaRegressors& xreg = {});

} // namespace tarvex
