// The DLAG table of the regression report: for each variable entered with lags, the sum of its
// lag coefficients with its standard error and t-ratio, the mean lag, and the joint F test that
// all its lag coefficients are zero. The hypotheses are generated here, not typed.
#pragma once

namespace tarvex {

struct Run;
struct OlsFit;

// Writes the table (nothing when no variable is entered with lags). `asymptotic`: normal and
// chi-square p-values in place of t and F.
void write_lag_sum_tests(Run& run, const OlsFit& fit, bool asymptotic);

} // namespace tarvex
