// Flexible least squares: the coefficient path b_1..b_T of y_t = x_t' b_t + e_t that minimises
//   r_M + mu r_D,  r_M = sum (y_t - x_t' b_t)**2,  r_D = sum ||b_{t+1} - b_t||**2,
// for a smoothness weight mu > 0. The normal equations are block tridiagonal, blocks
// x_t x_t' + mu c_t I on the diagonal (c_t = 1 at the ends, 2 inside) and -mu I beside it; they
// are solved exactly by block elimination with a Cholesky factor for each block (T K**3). The
// system is positive definite when X has full column rank. The estimator writes nothing.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct FlsData {
    std::vector<Real> y;              // T
    std::vector<std::vector<Real>> x; // K columns of T
};

struct FlsPath {
    bool identified = true; // false: a pivot vanished, the regressors are linearly dependent
    std::vector<Real> b;    // T x K, row t the coefficients at observation t
    std::vector<Real> fitted, residuals; // T
    Real measurement_cost = 0;           // r_M
    Real dynamic_cost = 0;               // r_D
};

FlsPath solve_fls(const FlsData& data, Real mu);

} // namespace tarvex
