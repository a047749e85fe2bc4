// Choosing and loading the variables of STATS: the list (or every data variable), matrices and
// their columns, lags, the range, the weights, and the per-variable messages for a variable
// that is not data, invalid or without observations.
#pragma once

#include "kernels/stats_data.hpp"
#include "regress/stats/stats_options.hpp"

namespace tarvex {

struct Run;

// Fills `data` from the scan block and the options. False when the command must end (an
// invalid or too short weight vector); per-variable problems only drop the variable.
bool load_stats_variables(Run& run, const StatsOptions& o, StatsData& data);

} // namespace tarvex
