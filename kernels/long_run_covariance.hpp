// The robust covariance kernel every estimator shares: the Bartlett (Newey-West) lag weight, the
// long-run covariance of a sequence of score vectors (the middle matrix of a heteroskedasticity-
// and autocorrelation-consistent covariance), the long-run variance of one series as its
// one-column case, and the sandwich B M B that turns a middle matrix into a covariance.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// The weight of the lag-j autocovariances at truncation lag L: 1 - j/(L+1).
Real bartlett_weight(int lag, int bandwidth);

// S = G_0 + sum_(j=1..L) w(j, L) (G_j + G_j'), G_j = sum_t g_t g_(t-j)', K x K row-major and
// symmetric, for the scores g_t whose K elements are the columns of `scores` times the rows'
// factors (GramColumns: a null column is the factor itself; each value x * s is rounded once).
// Lags count the rows in use, so a row list makes t-j the row in use before. G_0 is the exact
// sum rounded once, as exact_gram forms it; each G_j + G_j' is an exact sum kept to double
// binary128, and S the exact sum of G_0 and the weighted terms, rounded once. A lag of n or more
// adds nothing; a score that is infinite or NaN makes every element NaN.
std::vector<Real> long_run_covariance(const GramColumns& scores, int bandwidth);

// The long-run variance of the series e: S / n for the scores e_t (K = 1), that is
// sum e_t**2 / n + 2/n sum_(j=1..L) w(j, L) sum_t e_t e_(t-j).
Real long_run_variance(const std::vector<Real>& e, int bandwidth);

// B M B for K x K row-major matrices, B symmetric: the sandwich form of a covariance matrix
// (bread the inverse Hessian or cross-product matrix, meat the long-run covariance of the
// scores).
std::vector<Real> sandwich_product(const std::vector<Real>& bread, const std::vector<Real>& meat,
                                   int k);

// J V J' for K x K row-major matrices: the covariance V of estimates carried through a map of
// them whose Jacobian is J (the delta method). For a symmetric J it is sandwich_product, bit for
// bit.
std::vector<Real> carried_covariance(const std::vector<Real>& jac, const std::vector<Real>& cov,
                                     int k);

// The heteroskedasticity- and autocorrelation-consistent covariance B S B of a least-squares fit:
// S the long-run covariance of the scores x_t e_t at truncation lag `bandwidth` (0: White's
// heteroskedasticity-consistent form), X N x K column after column, e the N residuals, B the
// K x K inverse cross-product matrix.
std::vector<Real> robust_least_squares_covariance(const std::vector<Real>& x,
                                                  const std::vector<Real>& e,
                                                  const std::vector<Real>& bread, int n, int k,
                                                  int bandwidth);

} // namespace tarvex
