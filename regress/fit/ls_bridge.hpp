// What the regression command needs from the least-squares solvers and the distribution
// functions: one solve call per method and the tail probabilities of the report, so that the
// command and the report stay the same whichever solver runs.
#pragma once

#include "kernels/householder.hpp"
#include "kernels/least_squares.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

enum class OlsMethod;

// A least-squares solution of y on the K columns of X.
struct LsSolution {
    int dependent_column = 0; // 0: solved; else the 1-based column found linearly dependent
    bool singular = false;    // the triangular or cross-product factor has a zero pivot
    bool too_few = false;     // fewer observations than columns
    // 1-based column whose sum of squares lies beyond the binary128 range (0: none), and which
    // way: too large, else too small.
    int out_of_range = 0;
    bool too_large = false;
    std::vector<Real> coef;      // K coefficients
    std::vector<Real> xtx_inv;   // K x K (X'X)**-1 (symmetric)
    std::vector<Real> residuals; // N residuals of the rows as solved
    Real sse = 0;                // residual sum of squares
    // "HH" only: the factored data matrix and its reflections, for the exact Durbin-Watson test.
    DataMatrix factored;
    HouseholderFactor factor;
};

// Solves by `method` ("GS" modified Gram-Schmidt, "HH" Householder, "NORMAL" cross products
// with `ridge` k added to the diagonal of the unit-scaled cross-product matrix). X is N x K,
// column after column.
LsSolution solve_least_squares(OlsMethod method, const std::vector<Real>& x,
                               const std::vector<Real>& y, int n, int k, Real ridge);

// P(F(n1, n2) > x); 0 when x is 0 or when either degrees of freedom is not positive.
Real f_tail(Real x, Real n1, Real n2);
// P(chi-square(df) > x).
Real chi2_tail(Real x, Real df);
// The z with P(Z <= z) = p, 0 < p < 1.
Real normal_quantile(Real p);

} // namespace tarvex
