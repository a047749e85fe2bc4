// The report of AUTO and what it leaves: the stored estimation that TEST and FCAST read (with
// rho and the order), the result scalars and the named output variables.
#pragma once

#include "regress/auto/auto_estimate.hpp"
#include "regress/auto/auto_options.hpp"
#include "regress/fit/ols_fit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The equation as AUTO read it.
struct AutoEquation {
    int dep_ref = 0, dep_lag = 0;
    std::string dep_name; // 8 columns
    std::vector<OlsTerm> terms;
    std::vector<int> obs;
    int beg = 0, end = 0;
};

// Writes the report of a finished estimate (or its error) and stores it.
void report_auto(Run& run, const AutoEquation& eq, const AutoEstimate& e, const AutoOptions& o,
                 AutoMethod method);

} // namespace tarvex
