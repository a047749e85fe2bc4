// OLSOUT, the regression report, and OLSRES, the residual statistics and listings: written in
// their fixed order from a finished estimate. They only write: the estimate's numbers are
// worked out and stored elsewhere.
#pragma once

namespace tarvex {

struct Run;
struct OlsFit;
struct OlsEstimate;
struct OlsOptions;
struct ResidualStats;

// The whole report of an estimate: the notes it met, its diagnostics, warnings, summary,
// selection criteria, variance tables, coefficients, matrices, the lag-sum tests, then the
// residual output and the residual plot.
void OLSOUT(Run& run, const OlsEstimate& e, const OlsOptions& o);
// Residual statistics (RSTAT, LM), the goodness-of-fit counts (GF) and the LIST table, from
// statistics worked out with the fit (Hall-Pagan under LM, the counts under GF).
void OLSRES(Run& run, const OlsFit& fit, const OlsOptions& o, const ResidualStats& r);

} // namespace tarvex
