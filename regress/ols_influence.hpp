// Diagnostics of single observations and regressors: the hat-matrix diagonal, the auxiliary
// R-squares, the prediction-error sums and the influence table with DFBETAS.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct Run;
struct OlsFit;

// h_i = x_i' (X'X)**-1 x_i for the (weighted) rows xs, N x K column after column.
std::vector<Real> hat_values(const OlsFit& fit, const std::vector<Real>& xs);
// " R-SQUARE OF name ON OTHER INDEPENDENT VARIABLES =" for each regressor.
void write_auxiliary_rsquares(Run& run, const OlsFit& fit, const std::vector<Real>& xs);
// PRESS lines, the influence table and, with `dfbetas`, the DFBETAS block. `es` holds the
// (weighted) residuals.
void write_influence(Run& run, const OlsFit& fit, const std::vector<Real>& xs,
                     const std::vector<Real>& es, bool dfbetas);

} // namespace tarvex
