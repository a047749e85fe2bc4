// The second pass of a regression on the columns where they are: each observation's residual
// y - x'b (and, when asked, its fitted value x'b) from the double-binary128 coefficients of
// kernels/gram_cholesky.hpp, every one the exact value rounded once, written straight into the
// caller's output vectors; and the exact sum of squares of the residuals as written. Rows are
// shared among threads; the sums merge exactly, so the bits do not depend on their number.
#pragma once

#include "kernels/exact_gram.hpp"
#include "numeric/double_binary128.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct ResidualSums {
    bool finite = true; // false when a value or a coefficient is infinite or NaN
    Real sse = 0;       // sum of the squared residuals written, exact and rounded once
    Real sum = 0;       // sum of the residuals written, exact and rounded once
};

// `data` holds the K regressor columns and then y, as for the fit (row scales included: the
// residuals are then those of the scaled rows). Each row's residual (and fitted value, unless
// `fitted` is null) is written at the row's own position: rows[i] with a row list, else i, so
// that output series are filled in place and skipped positions are left as they were.
ResidualSums gram_residuals(const GramColumns& data, const std::vector<Wide>& coef, Real* residuals,
                            Real* fitted = nullptr, int threads = 0);

} // namespace tarvex
