// OLS over series bound to a file on disk (READ ... / BIND), with whole data series of the work
// area beside them: the statement's checks, the options refused, and the fit over row blocks.
#pragma once

namespace tarvex {

struct Run;
struct OlsOptions;

// Whether the statement lists a bound series, or WEIGHT names one.
bool ols_lists_bound_series(Run& run, const OlsOptions& o);

// OLS over the bound series: checks, refusals, the fit over blocks, its report and its result.
void ols_over_bound_series(Run& run, const OlsOptions& o);

} // namespace tarvex
