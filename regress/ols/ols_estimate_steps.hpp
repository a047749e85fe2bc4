// The steps of the OLS estimation that a fit over row blocks (ols_bound.cpp) shares with the fit
// of the data in memory (ols_estimate.cpp), so that both write the same notes, take the same
// decisions on a solution and form the classical covariance the same way.
#pragma once

#include "kernels/gram_cholesky.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/ols/ols_estimation.hpp"

#include <string>

namespace tarvex {

// The heading of the estimation, as the report begins.
void note_ols_heading(OlsEstimate& e, const OlsOptions& o);

// The warning on an observation dropped for its weight (zero or missing).
void note_weight_skipped(OlsEstimate& e, int observation);

// The sum of log(sqrt|w|) (fit.sum_log_root_w) and, under REPLICAT, the replicated count.
void note_weight_sums(OlsEstimate& e, const OlsOptions& o, Real replicated);

// A dummy dependent variable, then each regressor found constant (fit.xsd).
void note_data_warnings(OlsEstimate& e, bool dummy);

// The error line of too few observations.
std::string too_few_observations_line(int n);

// The solution of the exact cross-product fit in the form every solver returns.
LsSolution gram_solution(const GramFit& gram);

// False, with the failure recorded, when the solution ends the estimation (too few
// observations, values out of range, a dependent column, a singular system).
bool solution_usable(OlsEstimate& e, const LsSolution& sol, const OlsOptions& o);

// The degrees of freedom, sigma**2 and the covariance sigma**2 (X'X)^-1 from fit.sse and
// fit.xtx_inv.
void classical_covariance(OlsFit& fit, const OlsOptions& o);

} // namespace tarvex
