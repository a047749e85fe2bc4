// OLSOUT, the regression report, and OLSRES, the residual statistics and listings: written in
// their fixed order from a finished fit, storing the result scalars and named output variables.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

struct Run;
struct OlsFit;
struct OlsEstimate;
struct OlsOptions;
struct ResidualStats;

// The whole report of an estimate: the notes it met, its diagnostics, warnings, summary,
// selection criteria, variance tables, coefficients, matrices, then the residual output;
// stores the result scalars and the output variables.
void OLSOUT(Run& run, const OlsEstimate& e, const OlsOptions& o);
// Residual statistics (RSTAT, LM, GF) and the LIST table.
void OLSRES(Run& run, const OlsFit& fit, const OlsOptions& o);
// The same from the fit's residual statistics already computed without the Hall-Pagan test.
void OLSRES(Run& run, const OlsFit& fit, const OlsOptions& o, const ResidualStats& computed);
// Records the fit as the last estimation (run.last_estimation) for TEST, FCAST and the rest,
// but for its rows (observations, predicted values, residuals), which OLSEST moves in after.
void store_last_estimation(Run& run, const OlsFit& fit, const OlsOptions& o, Real r2);
// Stores PREDICT, RESID, COEFFICE, COVARIAN, TRATIO, STDERR and HATDIAG.
void store_ols_variables(Run& run, const OlsFit& fit, const OlsOptions& o);

} // namespace tarvex
