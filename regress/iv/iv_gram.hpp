// Cross products of an instrumented equation, all taken from the one exact cross-product matrix
// of [Z X_endogenous y]: a principal part of it (the first-stage regressions, OLS of y on X),
// and the products of the projected regressors X^ = Z P, whose every product follows from the
// matrix and the first-stage coefficients P: x^_a'v = P_a'Z'v for any column v, and x^ of an
// included instrument is that instrument. Each result is a matrix that
// kernels/gram_cholesky.hpp solves like one formed from the data.
#pragma once

#include "kernels/exact_gram.hpp"

#include <vector>

namespace tarvex {

// A double-binary128 entry rounded to binary128.
inline Real wide_value(Wide w) {
    return w.hi + w.lo;
}

// The columns listed, in that order, as a matrix of their own.
GramMatrix gram_part(const GramMatrix& gram, const std::vector<int>& columns);

// A column of an instrumented problem: a column of the data matrix as it is, or the projection
// on the instruments of one (with its first-stage coefficients over the instrument columns
// 0..L-1 of the data matrix). An included instrument is its own projection: give it plain.
struct ProjectedColumn {
    int column = 0;                            // in the data matrix
    const std::vector<Wide>* fitted = nullptr; // first-stage coefficients; null: the column itself
};

// The cross products of `columns`.
GramMatrix projected_gram(const GramMatrix& gram, const std::vector<ProjectedColumn>& columns);

} // namespace tarvex
