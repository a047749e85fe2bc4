// Principal components of a set of series: the eigenvalues and unit eigenvectors (loadings) of
// their correlation matrix (each series centred and divided by its standard deviation) or of
// their covariance matrix (each series centred), both with divisor n - 1, and the scores, the
// standardised (or centred) data times the loadings. Each component's loading of largest size is
// made positive, so that the signs do not depend on how the eigen iteration ran.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

enum class ComponentsEnd {
    OK,
    TOO_FEW,   // fewer than two observations
    CONSTANT,  // a series without variation (correlation matrix): `constant` says which
    NO_SETTLE, // the eigen iteration did not settle
};

struct PrincipalComponents {
    ComponentsEnd end = ComponentsEnd::OK;
    int constant = -1; // the first series without variation
    int k = 0, n = 0;
    std::vector<Real> mean, deviation;     // of each series (divisor n - 1)
    std::vector<Real> values;              // eigenvalues, largest first
    std::vector<Real> proportion;          // each eigenvalue over their sum (the trace)
    std::vector<Real> cumulative;          // running sums of the proportions
    std::vector<Real> loadings;            // k by k, column j (elements j*k ..) is component j
    std::vector<std::vector<Real>> scores; // one series of n values per component
};

// `columns` holds k series of n values each. With `correlation` the correlation matrix is
// analysed, otherwise the covariance matrix.
PrincipalComponents principal_components(const std::vector<std::vector<Real>>& columns,
                                         bool correlation);

} // namespace tarvex
