// HHCON's solver: least squares by Householder QR on the data matrix with the dependent variable
// last. The reflections stay in the matrix afterwards, so that the exact Durbin-Watson test can
// apply Q' to its difference matrix.
#pragma once

#include "kernels/least_squares.hpp"

namespace tarvex {

// Q as a product of K reflections H_j = I - tau_j v_j v_j', where v_j is stored in rows j..N-1 of
// column j of the factored data matrix (row j holding its first element).
struct HouseholderFactor {
    std::vector<Real> taus;
    int nobs = 0;
    int nregs = 0;
};

struct HouseholderSolve {
    LeastSquaresFit fit;
    HouseholderFactor factor;
};

// Factors `data` in place (columns 0..K-1 end as the reflection vectors, column K as Q'y).
// Stops with `singular` at the first regressor whose diagonal element is at most
// sqrt(DEPENDENCE_RATIO) times its column's length, and `too_few_observations` when N < K.
HouseholderSolve householder_solve(DataMatrix& data);

// v := Q'v or v := Qv for a vector of N values, with the factor kept in `data`.
void apply_q_transpose(const DataMatrix& data, const HouseholderFactor& factor, Real* v);
void apply_q(const DataMatrix& data, const HouseholderFactor& factor, Real* v);

} // namespace tarvex
