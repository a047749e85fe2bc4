// What the regression command needs from the least-squares solvers and the distribution
// functions: one solve call per method and the tail probabilities of the report. The command
// and the report call only these, so the solver behind each method can change freely.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

enum class OlsMethod;

// A least-squares solution of y on the K columns of X.
struct LsSolution {
    int dependent_column = 0;   // 0: solved; else the 1-based column found linearly dependent
    bool singular = false;      // the cross-product or triangular system could not be solved
    std::vector<Real> coef;     // K coefficients
    std::vector<Real> xtx_inv;  // K x K (X'X)**-1, row-major
    Real sse = 0;               // residual sum of squares
};

// Solves by `method` ("GS" modified Gram-Schmidt, "HH" Householder, "NORMAL" cross products;
// the latter with `ridge` k added to the diagonal of X'X). X is N x K, column after column.
LsSolution solve_least_squares(OlsMethod method, const std::vector<Real>& x,
                               const std::vector<Real>& y, int n, int k, Real ridge);

// P(F(n1, n2) > x); 0 when x is 0 or below.
Real f_tail(Real x, Real n1, Real n2);
// P(chi-square(df) > x).
Real chi2_tail(Real x, Real df);
// P(Z > z) for a standard normal Z.
Real normal_tail(Real z);
// The z with P(Z <= z) = p, 0 < p < 1.
Real normal_quantile(Real p);

} // namespace tarvex
