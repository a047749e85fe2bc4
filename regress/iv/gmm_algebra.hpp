// The small-matrix algebra of linear GMM: the moments A = Z'X and c = Z'y taken from the exact
// cross products of [Z X_endogenous y], the weighted estimate b = (A'WA)**-1 A'Wc with its
// criterion g'Wg (g = c - Ab) for the identity weight or W = S**-1, and the sandwich covariance
// of an estimate whose weight is not S**-1.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct GmmMoments {
    int l = 0, k = 0;
    std::vector<Real> a; // Z'X, L x K row-major
    std::vector<Real> c; // Z'y
};

// From the matrix of [Z X_endogenous y] (y its last column) and each regressor's column in it.
GmmMoments gmm_moments(const GramMatrix& gram, const std::vector<int>& x_columns, int l);

// Z'Z, L x L row-major, from the same matrix.
std::vector<Real> instrument_products(const GramMatrix& gram, int l);

struct GmmSolution {
    bool ok = false;         // false: S or A'WA is not positive definite
    std::vector<Real> coef;  // b
    std::vector<Real> bread; // (A'WA)**-1, K x K
    std::vector<Real> wa;    // WA, L x K
    Real criterion = 0;      // g'Wg
};

// W = I.
GmmSolution gmm_identity_solution(const GmmMoments& m);
// W = S**-1 (S = Z'Z gives two-stage least squares).
GmmSolution gmm_inverse_solution(const GmmMoments& m, const std::vector<Real>& s);

// (A'WA)**-1 (WA)' S (WA) (A'WA)**-1.
std::vector<Real> gmm_sandwich(const GmmSolution& solution, const std::vector<Real>& s, int l,
                               int k);

} // namespace tarvex
