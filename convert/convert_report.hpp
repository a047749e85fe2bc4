// The report of a frequency conversion: what was converted into what, the dates of both
// series when the TIME calendar is the old series' own, the periods left missing, and the
// fit of DENTON and CHOWLIN. It writes and changes nothing.
#pragma once

#include "convert/convert_plan.hpp"
#include "kernels/temporal_disaggregation.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct ConvertOutcome {
    std::vector<Real> values;                        // the new series
    int missing_periods = 0, incomplete_periods = 0; // down conversion
    long long missing_values = 0;                    // CONSTANT, LINEAR
    Real period_gap = 0; // DENTON, CHOWLIN: largest |period sum (average) - old value|
    bool has_chow_lin = false;
    ChowLinFit chow_lin; // its values moved to `values`
    std::vector<std::string> regressor_names;
};

void report_conversion(Run& run, const ConvertPlan& p, const ConvertOutcome& out);

} // namespace tarvex
