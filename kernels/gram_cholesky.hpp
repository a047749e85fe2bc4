// Least squares from the exact cross-product matrix of [X y]: one pass over the columns where
// they are (kernels/exact_gram.hpp), then a Cholesky factor R'R = [X y]'[X y] in double-binary128
// arithmetic. Column K of R holds R^-T X'y and its last diagonal element squared is the residual
// sum of squares; the coefficients come from R b = R^-T X'y and the inverse cross-product
// matrix from R^-1 R^-T. Each regressor's diagonal element squared is its sum of squares left
// after removing the regressors before it, the quantity modified Gram-Schmidt tests for
// dependence, so the factor takes the same decision on the same ratio.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/double_binary128.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

enum class GramStatus {
    ok,
    too_few_observations, // fewer rows than regressors
    dependent_column,     // a regressor's remaining sum of squares is negligible
    non_finite,           // a value is infinite or NaN
};

struct GramFit {
    GramStatus status = GramStatus::ok;
    int failed_column = -1; // the dependent regressor (0-based), else -1
    // The first column (0-based; K is y) whose sum of squares is not a normal binary128 number,
    // else -1, and whether it overflows (else it underflows). The solve is exact all the same,
    // but sse, xtx_inverse and whatever is formed from them in the data's units may be lost.
    int out_of_range_column = -1;
    bool too_large = false;
    int nobs = 0;
    int nregs = 0;
    std::vector<Real> coef;        // K coefficients, rounded from coef_wide
    std::vector<Wide> coef_wide;   // the same to about 226 bits, for residuals formed exactly
    std::vector<Real> xtx_inverse; // (X'X)^-1, K by K, column-major, both triangles
    Real sse = 0;                  // residual sum of squares, from the factor
    // The same quantities as held inside the solve, each column c scaled by 2^shift[c]: the
    // residual sum of squares times 2^(2 shift[K]) and the diagonal of the inverse times
    // 2^(-2 shift[j]), representable even where sse or xtx_inverse are not.
    std::vector<int> shift;
    Real scaled_sse = 0;
    std::vector<Real> scaled_inverse_diagonal;
    // For each regressor tested, its remaining sum of squares over its sum of squares (0 for a
    // column of zeros); the dependent one is the last entry.
    std::vector<Real> remaining_ratio;

    bool ok() const { return status == GramStatus::ok; }
    Real inverse_at(int row, int col) const {
        return xtx_inverse[static_cast<std::size_t>(col) * nregs + row];
    }
    // The standard error sqrt(sse / df (X'X)^-1_jj) of coefficient j, formed from the scaled
    // quantities: right wherever it is representable, whatever the range of sse and the inverse.
    Real standard_error(int j, Real df) const;
};

// Factors a matrix from exact_gram of K regressor columns followed by y. A regressor whose
// remaining sum of squares is at most `dependence_ratio` times its own sum of squares stops the
// fit with dependent_column. A column whose sum of squares is not a normal binary128 number (its
// values too large or too small for their squares to be held) is named in out_of_range_column.
GramFit gram_cholesky_solve(const GramMatrix& gram, int nobs, Real dependence_ratio);

// Both steps: the matrix of `data` (K regressors, then y, as its columns) and its solution.
GramFit gram_least_squares(const GramColumns& data, Real dependence_ratio, int threads = 0);

} // namespace tarvex
