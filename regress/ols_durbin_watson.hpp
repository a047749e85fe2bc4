// The exact Durbin-Watson test of the Householder method (DWPVALUE): its header lines, the
// statistic, the roots of M*A under DUMP, both p-values and the critical value for ALPHA.
#pragma once

namespace tarvex {

struct Run;
struct OlsOptions;
struct LsSolution;

// Writes the test for a Householder solution and stores $DW, $CDF and $CRIT.
void exact_durbin_watson(Run& run, const OlsOptions& o, const LsSolution& sol);

} // namespace tarvex
