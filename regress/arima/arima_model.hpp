// The ARIMA model's algebra: the orders (p,d,q)(P,D,Q)s, the parameter vector (AR, seasonal AR,
// MA, seasonal MA, the mean, then the coefficients of the regressors), the multiplied-out lag
// polynomials, the differencing of a series and the test that a lag polynomial has all its roots
// outside the unit circle.
//   phi(B) PHI(B**s) (w_t - mu) = theta(B) THETA(B**s) e_t,   w = (1-B)**d (1-B**s)**D y,
// with phi(B) = 1 - phi_1 B - ... and theta(B) = 1 + theta_1 B + ... (the MA sign is "+").
// With regressors X the model is that of the errors of a regression: w - mu - (X differenced
// alike) b follows the ARMA model, y - X b the ARIMA model.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct ArimaOrder {
    int p = 0, d = 0, q = 0;
    int sp = 0, sd = 0, sq = 0; // the seasonal P, D, Q
    int span = 0;               // the seasonal period s (0: no seasonal part)
    bool mean = false;          // mu estimated (otherwise 0)
    int regressors = 0;         // columns of X, their coefficients last

    int arma_count() const { return p + sp + q + sq; }
    // The index of the first regressor's coefficient.
    int regressor_offset() const { return arma_count() + (mean ? 1 : 0); }
    int parameter_count() const { return regressor_offset() + regressors; }
    // Observations the differencing takes: d + D s.
    int differencing_lags() const { return d + sd * span; }
    // The degree of the multiplied-out AR polynomial.
    int full_p() const { return p + sp * span; }
};

// x_t = sum ar[i] x_{t-1-i} + e_t + sum ma[j] e_{t-1-j}, x = w - mu.
struct ArmaPolynomials {
    std::vector<Real> ar, ma;
    Real mean = 0;
};

ArmaPolynomials expand_polynomials(const ArimaOrder& order, const std::vector<Real>& parameters);

// The differenced series (d + D s observations shorter).
std::vector<Real> difference_series(const std::vector<Real>& y, const ArimaOrder& order);
// delta with (1-B)**d (1-B**s)**D = 1 - sum delta_i B**i: y_t = w_t + sum delta_i y_{t-i}.
std::vector<Real> differencing_weights(const ArimaOrder& order);

// Whether 1 - c_1 z - ... - c_k z**k has every root outside the unit circle (the AR part is
// stationary; with -theta in place of c, the MA part is invertible), by the step-down of the
// Durbin-Levinson recursion: every partial autocorrelation below one in modulus.
bool roots_outside_unit_circle(const std::vector<Real>& c);
// The same for the MA polynomial 1 + m_1 z + ...
bool ma_invertible(const std::vector<Real>& m);

} // namespace tarvex
