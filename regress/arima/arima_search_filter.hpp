// The exact ARMA likelihood in double precision, for the search that brings a long series'
// estimates near the maximum before the binary128 iterations finish them. It is the filter of
// arima_likelihood.hpp (Kalman filter from the stationary state covariance, the ARMA recursion
// once the gain has settled) with the data, the state and the sums in double, and the
// conditional likelihood likewise: their values only steer the search and never reach a result.
#pragma once

#include "numeric/real.hpp"
#include "regress/arima/arima_model.hpp"

#include <vector>

namespace tarvex {

// The concentrated log-likelihood of x (already less the mean and the regression) under `poly`;
// false when the state covariance is not defined (a nonstationary AR part) or a prediction
// variance is not positive.
bool arma_exact_search(const std::vector<double>& x, const ArmaPolynomials& poly, double& llf);

// The conditional likelihood in double (the first p observations given, earlier innovations 0),
// for the conditional-sum-of-squares start of a long series; false when no innovation is left.
bool arma_css_search(const std::vector<double>& x, const ArmaPolynomials& poly, double& llf);

} // namespace tarvex
