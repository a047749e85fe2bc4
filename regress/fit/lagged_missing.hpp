// With SKIPMISS on, an observation whose lagged term reads a missing value is left out like one
// that holds it. The sample check marks the observations where a listed variable holds the
// missing code; a lag X(1.1) at observation t reads X at t - 1, so t is marked too.
#pragma once

#include <vector>

namespace tarvex {

struct Run;
struct OlsTerm;

// Marks in SKIP$ each observation of the check range whose lagged dependent variable or lagged
// term reads the missing code, and says so as the sample check does ("OBSERVATION t IS SKIPPED
// BECAUSE X(1) MISSING"). Does nothing without SKIPMISS or without lags.
void skip_lagged_missing(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms);

// The variables of the equation read only through lags (not as the dependent variable, a term
// at lag 0 or `also_read`, e.g. a weight): the sample check leaves none of their own observations
// out, skip_lagged_missing those that read a missing value.
std::vector<int> lagged_only_refs(int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                                  int also_read = 0);

// Leaves out observation t, in use until now, because variable `ref` lagged `lag` observations
// reads the missing code there, and says so.
void skip_lag_read_of_missing(Run& run, long long t, int ref, int lag);

} // namespace tarvex
