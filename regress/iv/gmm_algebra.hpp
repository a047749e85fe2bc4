// The small-matrix algebra of linear GMM: the moments A = Z'X and c = Z'y taken from the exact
// cross products of [Z X_endogenous y], the weighted estimate b = (A'WA)**-1 A'Wc with its
// criterion g'Wg (g = c - Ab) for the identity weight or W = S**-1, and the sandwich covariance
// of an estimate whose weight is not S**-1. The identity weight's estimate is the least-squares
// fit of c on the columns of A, solved from the exact cross products of [A c] in double-binary128
// arithmetic: A'A squares the condition of A, which a binary128 solve would pay in digits.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct GmmMoments {
    int l = 0, k = 0;
    std::vector<Real> a; // Z'X, L x K row-major
    std::vector<Real> c; // Z'y
    // The same to about 226 bits, as the exact cross products hold them (empty: a and c are
    // all there is).
    std::vector<Wide> a_wide, c_wide;
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
    // A (A'A)**-1, L x K, for the identity weight (empty otherwise): solved to 226 bits, so
    // that the sandwich H'SH need not cancel the large elements of (A'A)**-1 against A.
    std::vector<Real> pseudo;
    Real criterion = 0; // g'Wg
};

// W = I.
GmmSolution gmm_identity_solution(const GmmMoments& m);
// W = S**-1 (S = Z'Z gives two-stage least squares).
GmmSolution gmm_inverse_solution(const GmmMoments& m, const std::vector<Real>& s);

// (A'WA)**-1 (WA)' S (WA) (A'WA)**-1, for the identity weight H'SH with H = A (A'A)**-1.
std::vector<Real> gmm_sandwich(const GmmSolution& solution, const std::vector<Real>& s, int l,
                               int k);

} // namespace tarvex
