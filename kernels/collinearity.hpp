// Collinearity measures of a set of regressors: the condition number of the data matrix with
// its columns scaled to unit length, and each regressor's variance inflation factor
// 1 / (1 - R2), R2 that of the regressor on the others (about its mean when the set holds a
// constant, from zero otherwise). The cross products are formed exactly (exact_gram); the
// eigenvalues and the inverse come from the shared symmetric kernels.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct CollinearityMeasures {
    bool singular = false;    // a column is zero or a combination of the others
    Real condition = 0;       // sqrt(largest / smallest eigenvalue); infinite when singular
    std::vector<Real> vif;    // one per column; 0 for the constant; infinite when singular
    std::vector<Real> values; // eigenvalues of the scaled cross products, ascending
};

// `columns` hold the regressors' values at the same rows; an empty column is the constant
// (ones). Every non-empty column has `rows` values.
CollinearityMeasures collinearity_measures(const std::vector<std::vector<Real>>& columns,
                                           std::size_t rows);

} // namespace tarvex
