// The report of 2SLS and INSTRUME: heading with the endogenous regressors and the instruments,
// the summary of the structural residuals, the coefficient table, the first-stage F tests, the
// Wu-Hausman test and the tests of the over-identifying restrictions. It writes the estimate and
// changes nothing.
#pragma once

#include "regress/fit/ols_fit.hpp"
#include "regress/iv/iv_estimate.hpp"
#include "regress/iv/iv_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The equation as the command read it.
struct IvEquation {
    std::string command; // "2SLS" or "INSTRUME"
    int dep_ref = 0, dep_lag = 0;
    std::string dep_name; // 8 columns
    std::vector<OlsTerm> regressors, instruments;
    std::vector<int> obs;
    int beg = 0, end = 0;
};

void report_iv(Run& run, const IvEquation& eq, const IvEstimate& e, const IvOptions& o);

} // namespace tarvex
