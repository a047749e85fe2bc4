// The sandwich covariances every estimator shares beyond White's form: the small-sample
// variants HC1, HC2 and HC3 of a least-squares fit, and the covariance clustered by groups of
// rows, B (sum_g s_g s_g') B with s_g the sum of the scores of group g, for any estimator that
// gives its scores and its bread (the inverse cross-product matrix or inverse Hessian).
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// The heteroskedasticity-consistent types: HC0 White's form; HC1 that times N/(N-K); HC2 and
// HC3 weight each squared residual by 1/(1-h) and 1/(1-h)**2, h the row's leverage.
enum class HeteroskedasticType { HC0, HC1, HC2, HC3 };

// B S B with S = sum_t w_t e_t**2 x_t x_t' for the type's weights (times N/(N-K) for HC1). X is
// N x K column after column, e the N residuals, B the K x K inverse cross-product matrix and
// `hat` the N leverages (used by HC2 and HC3 only).
std::vector<Real> heteroskedastic_covariance(const std::vector<Real>& x, const std::vector<Real>& e,
                                             const std::vector<Real>& bread, int n, int k,
                                             HeteroskedasticType type,
                                             const std::vector<Real>& hat);

// The groups of rows from their codes: `group[i]` becomes the group of row i numbered
// 0, 1, ... in the order the codes first appear; returns the number of groups.
int group_rows_by_code(const std::vector<Real>& codes, std::vector<int>& group);

// The small-sample correction G/(G-1) * (N-1)/(N-K) of a clustered covariance.
Real cluster_correction(int groups, int n, int k);

// factor * B M B, M = sum_g s_g s_g' where s_g sums the scores (N x K, column after column) of
// the rows in group g (`group[i]` in 0..groups-1).
std::vector<Real> clustered_covariance(const std::vector<Real>& scores, int n, int k,
                                       const std::vector<int>& group, int groups,
                                       const std::vector<Real>& bread, Real factor);

} // namespace tarvex
