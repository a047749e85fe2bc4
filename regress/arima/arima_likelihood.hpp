// The likelihood of a stationary ARMA series x (the differenced series less its mean), with the
// innovation variance concentrated out:
//  - exact: the Kalman filter on the state-space form x_t = Z a_t, a_{t+1} = T a_t + R e_{t+1}
//    (state dimension r = max(p, q+1), T the AR coefficients in its first column over a shifted
//    identity, R = (1, theta_1, ..., theta_{r-1})), started from the stationary covariance of
//    the state. Once the prediction covariance has reached R R' (the gain is then R and the
//    prediction variance 1) to working precision, the filter is the ARMA recursion itself and
//    runs as such: O(r) operations an observation.
//  - conditional sum of squares: the ARMA recursion with the first p (of the multiplied-out AR
//    polynomial) observations as given and earlier innovations 0.
// log L = -n/2 (log 2 pi + 1 + log(S/n)) - 1/2 sum log F_t, S = sum v_t**2 / F_t (CSS: F = 1 and
// S/n' over the n' innovations used, n the whole length).
#pragma once

#include "numeric/real.hpp"
#include "regress/arima/arima_model.hpp"

#include <vector>

namespace tarvex {

struct ArmaFilter {
    bool ok = false;      // false: the state covariance is not defined (a nonstationary AR part)
    Real ssq = 0;         // S
    Real sumlog = 0;      // sum log F_t
    int used = 0;         // innovations in S
    Real llf = 0;         // the concentrated log-likelihood
    Real sigma2 = 0;      // S / used
    int steady_from = -1; // the observation from which the recursion ran (-1: never)
    // With `keep`: the standardised innovations v_t / sqrt(F_t) (CSS: 0 for the conditioning
    // observations), and the state prediction and its covariance after the last observation.
    std::vector<Real> resid;
    std::vector<Real> state, cov; // r and r x r row-major
};

// The stationary covariance of the state, P = T P T' + R R' (r x r row-major), for the AR
// coefficients phi and R (both r long); false when it is not defined.
bool arma_stationary_covariance(const std::vector<Real>& phi, const std::vector<Real>& rr, int r,
                                std::vector<Real>& cov);

// The solution of P = T P T' + Q for a symmetric Q (the derivatives of the stationary covariance
// solve it with Q the derivative of the rest of the equation); false when it is not defined.
bool arma_state_lyapunov(const std::vector<Real>& phi, const std::vector<Real>& q, int r,
                         std::vector<Real>& cov);

// `keep`: fill resid, state and cov.
ArmaFilter arma_exact(const std::vector<Real>& x, const ArmaPolynomials& poly, bool keep);
ArmaFilter arma_css(const std::vector<Real>& x, const ArmaPolynomials& poly, bool keep);
// The exact filter of each series xs[j] (all of one length) under polys[j], without `keep`: the
// same values as arma_exact one by one, with the rows of the steady recursions interleaved.
std::vector<ArmaFilter> arma_exact_values(const std::vector<const std::vector<Real>*>& xs,
                                          const std::vector<ArmaPolynomials>& polys);

// Forecasts of y (the undifferenced series) 1..h steps after its last observation, and their
// standard errors, from the filter's last state prediction (a filter run with `keep`).
struct ArimaForecast {
    std::vector<Real> value, se;
};
ArimaForecast arima_forecast(const std::vector<Real>& y, const ArimaOrder& order,
                             const ArmaPolynomials& poly, const ArmaFilter& filter, Real sigma2,
                             int horizon);

} // namespace tarvex
