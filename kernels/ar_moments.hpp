// The cross-products of a regression with autoregressive errors of order p (1 or 2), formed once
// so that the fit at any rho costs no further pass over the data. With Z = [X y] and the rows
// transformed by u*_t = u_t - rho_1 u_(t-1) - ... - rho_p u_(t-p), the cross-product matrix of
// the transformed rows t >= p is sum over i, j of a_i a_j S_ij, with a_0 = 1, a_i = -rho_i and
// S_ij = sum_t z_(t-i) z_(t-j)' taken exactly (one exact Gram of Z and its lags). The first p
// rows enter by the exact transformation of a stationary AR(p) process (Prais-Winsten) when the
// fit keeps them.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

struct ArMoments {
    int m = 0;              // columns of Z: the regressors, then y
    int order = 0;          // p
    std::size_t n = 0;      // rows
    GramMatrix lags;        // the Gram of [Z_t, Z_(t-1), ..., Z_(t-p)] over t = p .. n-1
    std::vector<Real> head; // the first p rows of Z, row after row
    bool finite() const { return lags.finite; }
    // S_ij entry (a, b).
    Wide lag_entry(int i, int j, int a, int b) const { return lags.at(i * m + a, j * m + b); }
};

// The moments of the m columns (a null column is the intercept) of n rows, for order p.
ArMoments ar_moments(const std::vector<const Real*>& columns, std::size_t n, int order);

// The first p rows transformed by the stationary AR(p) process of rho, row after row (p x m):
// sqrt(1 - rho^2) z_1 for p = 1; c_1 z_1 and sqrt(1 - rho_2^2) (z_2 - r z_1) for p = 2, with
// c_1^2 = (1 + rho_2)((1 - rho_2)^2 - rho_1^2)/(1 - rho_2) and r = rho_1/(1 - rho_2).
std::vector<Real> transformed_head(const ArMoments& moments, const std::vector<Real>& rho);

// The same transformation of the first p values of one series (p values in, p out).
std::vector<Real> transform_first_values(const std::vector<Real>& rho, const Real* values);

// The exact-Gram matrix of the transformed [X y]: rows p .. n-1, and the first p rows too when
// `keep_first`.
GramMatrix transformed_gram(const ArMoments& moments, const std::vector<Real>& rho,
                            bool keep_first);

// gamma' M gamma for gamma = (-b, 1) and M the transformed matrix: the sum of squared transformed
// residuals of the coefficients b at rho.
Real transformed_sse(const ArMoments& moments, const std::vector<Real>& rho, bool keep_first,
                     const std::vector<Real>& b);

// sum over t >= p of u_(t-i) u_(t-j) for the residuals u = y - X b, i, j = 0 .. p ((p+1)^2,
// row-major).
std::vector<Real> residual_lag_products(const ArMoments& moments, const std::vector<Real>& b);

// Whether rho lies inside the stationarity region (|rho| < 1; for p = 2 the triangle
// rho_2 < 1 - |rho_1|, rho_2 > -1).
bool ar_stationary(const std::vector<Real>& rho);

// log |det P| of the transformation: log(1 - rho^2)/2 for p = 1, log(1 + rho_2) +
// log((1 - rho_2)^2 - rho_1^2)/2 for p = 2.
Real ar_log_det(const std::vector<Real>& rho);

} // namespace tarvex
