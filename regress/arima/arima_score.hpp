// The exact log-likelihood of an ARIMA model (the innovation variance concentrated out) and its
// exact gradient with respect to every parameter (AR, seasonal AR, MA, seasonal MA, the mean and
// the regression coefficients), in one pass of the Kalman filter carrying the derivatives of its
// state, its prediction covariance and its stationary start: the same filter as arma_exact (the
// same operations, so the same log-likelihood to the last bit), switching to the ARMA recursion
// and its derivative at the same observation.
#pragma once

#include "numeric/real.hpp"
#include "regress/arima/arima_likelihood.hpp"
#include "regress/arima/arima_model.hpp"

#include <vector>

namespace tarvex {

struct ArimaScore {
    bool ok = false; // false: the filter is not defined there (a nonstationary AR part)
    Real llf = 0;
    std::vector<Real> gradient; // one per parameter
    // With `keep`: what arma_exact with `keep` returns at theta (the same bits), so that the
    // last pass at the estimates also gives their residuals and the state the forecasts start
    // from.
    ArmaFilter filter;
};

// x: the differenced series less the mean and the regression at `theta` (what arma_exact
// filters); dx: the differenced regressors (order.regressors columns, as long as x).
// Once the filter is steady, the derivative recursions of the parameters are independent given
// the innovations: the value's recursion runs first and keeps them, then on a long series the
// derivative recursions run in two shares on two threads (`threads` > 0 sets the number of
// shares); the results are the same bits on any number of threads.
ArimaScore arima_exact_score(const std::vector<Real>& x, const ArimaOrder& order,
                             const std::vector<Real>& theta,
                             const std::vector<std::vector<Real>>& dx, bool keep = false,
                             int threads = 0);

} // namespace tarvex
