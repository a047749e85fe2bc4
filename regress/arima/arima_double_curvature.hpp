// The exact log-likelihood of an ARIMA model with its gradient and its Hessian, in double precision
// or in the x87 extended format (a 64-bit significand), in one pass: the exact filter of
// arima_likelihood.hpp (the Kalman filter from the stationary state covariance, then the ARMA
// recursion once the prediction covariance has settled) carried out on second-order jets, each
// quantity with its first and second derivatives with respect to every parameter (the rules of the
// sum, the product, the quotient and the logarithm), the sums over the observations compensated
// component by component. A long series' search takes its Newton steps on these derivatives in
// double; the binary128 iterations' last step and the covariance take the Hessian in the extended
// format at their end, whose rounding (about 1e-19 of each element) is far below the truncation of
// the binary128 gradient differences it replaces (about 1e-16).
#pragma once

#include "numeric/real.hpp"
#include "regress/arima/arima_model.hpp"

#include <vector>

namespace tarvex {

// The most parameters the jets carry (a model with more takes the differences of values).
constexpr int MAX_CURVATURE_PARAMETERS = 8;

struct ArimaCurvature {
    bool ok = false;            // false: not defined there, or too many parameters
    Real llf = 0;               // each the format's value, exactly
    std::vector<Real> gradient; // K
    std::vector<Real> hessian;  // K x K row-major
};

// w: the differenced series; dx: the differenced regressors (order.regressors columns, as long as
// w), both in the format of the arithmetic. A long series without mean or regressors runs the
// steady rows' value and first derivatives first (keeping the innovations'), then shares the
// second-order components between two threads (`threads` 1: one, 2: two; 0: by the length and
// the machine): the same bits either way.
ArimaCurvature arima_double_curvature(const std::vector<double>& w,
                                      const std::vector<std::vector<double>>& dx,
                                      const ArimaOrder& order, const std::vector<Real>& theta,
                                      int threads = 0);
ArimaCurvature arima_extended_curvature(const std::vector<long double>& w,
                                        const std::vector<std::vector<long double>>& dx,
                                        const ArimaOrder& order, const std::vector<Real>& theta,
                                        int threads = 0);

// The log-likelihood and its gradient alone in the extended format (about a fifth of the work of
// the Hessian with them), for a series without mean or regressors (otherwise not ok): the step
// that brings the search's end within the extended format's rounding of the maximum.
ArimaCurvature arima_extended_gradient(const std::vector<long double>& w, const ArimaOrder& order,
                                       const std::vector<Real>& theta);

} // namespace tarvex
