// Small dense symmetric positive definite systems (K x K, K the number of parameters of an
// estimator): the Cholesky factor in binary128, solves with it and the inverse. The optimisers
// use it for their steps and the covariance of the estimates.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// Lower factor L with A = L L', K x K row-major. False when A is not positive definite (a pivot
// at or below `relative_floor` times its diagonal element); `failed` is then that row.
bool cholesky_factor(const std::vector<Real>& a, int k, std::vector<Real>& lower, int& failed,
                     Real relative_floor = 0);
// x with L L' x = b.
std::vector<Real> cholesky_solve(const std::vector<Real>& lower, int k, const std::vector<Real>& b);
// A^-1 from its factor, K x K row-major.
std::vector<Real> cholesky_inverse(const std::vector<Real>& lower, int k);

// The steps of the double-precision searches that start long fits (their binary128 iterations
// decide the answer): x with m x = g for the K x K row-major m, K = g.size(), by Cholesky in
// double. False when m is not positive definite: a pivot not above `relative_floor` times the
// size of its diagonal element.
bool solve_positive_definite(const std::vector<double>& m, const std::vector<double>& g,
                             std::vector<double>& x, double relative_floor);

} // namespace tarvex
