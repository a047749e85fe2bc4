// The report of Johansen's test: the trace and maximum-eigenvalue tables with Osterwald-Lenum's
// critical values, the normalised cointegrating vectors and their loadings; the result scalars
// ($VAL the trace statistic and $VAL2 the maximum eigenvalue for r = 0, $CRIT the trace's 5%
// critical value, $VAL1 the lags, $N the observations) and COEF (the first vector).
#pragma once

#include "regress/coint/johansen.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// `names` holds the m variables' names.
void report_johansen(Run& run, const std::vector<std::string>& names, const JohansenFit& fit,
                     JohansenTerms terms, bool wide);

} // namespace tarvex
