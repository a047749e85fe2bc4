// Diagnostics of single observations and regressors: the hat-matrix diagonal, the auxiliary
// R-squares, the prediction-error sums and the influence table with DFBETAS.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct OlsFit;
struct AuxiliaryRsquare;

// h_i = x_i' (X'X)**-1 x_i for the (weighted) rows xs, N x K column after column.
std::vector<Real> hat_values(const OlsFit& fit, const std::vector<Real>& xs);
// The R-square of each regressor on the others, 1 - 1/VIF (xs the rows in use).
std::vector<AuxiliaryRsquare> auxiliary_rsquares(const OlsFit& fit, const std::vector<Real>& xs);
// " R-SQUARE OF name ON OTHER INDEPENDENT VARIABLES =" for each of them.
void write_auxiliary_rsquares(Run& run, const std::vector<AuxiliaryRsquare>& rsquares);
// The leave-one-out statistics of every observation: deleted standard deviation s(i),
// studentised residual e_i / (s(i) sqrt(1 - h_i)), covariance ratio, DFFITS, DFFIT and the
// N x K DFBETAS (row after row). Rows with h_i = 1 or too few degrees of freedom hold zeros.
struct InfluenceMeasures {
    Real press = 0;        // sum (e_i / (1 - h_i))**2
    Real standardised = 0; // sum e_i**2 / (1 - h_i) over sigma**2
    Real press_mean = 0;   // PRESS / N, the cross-validation criterion
    std::vector<Real> deleted_sd, rstudent, covratio, dffits, dffit, dfbetas;
};
// `es` holds the (weighted) residuals; `fit.hat` must be filled.
InfluenceMeasures influence_measures(const OlsFit& fit, const std::vector<Real>& xs,
                                     const std::vector<Real>& es);
// PRESS lines, the influence table and, with `dfbetas`, the DFBETAS block.
void write_influence(Run& run, const OlsFit& fit, const InfluenceMeasures& m, bool dfbetas);

} // namespace tarvex
