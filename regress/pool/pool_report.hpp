// The report of POOL: heading with the panel's shape, the variance components of the random
// effects, the summary statistics, the coefficient table, the F test of equal fixed effects or
// the Hausman test, the effects on request; then the result scalars, the stored estimation that
// TEST and FCAST read, and the named output variables.
#pragma once

#include "regress/fit/ols_fit.hpp"
#include "regress/pool/pool_estimate.hpp"
#include "regress/pool/pool_options.hpp"
#include "regress/pool/pool_panel.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The equation as the command read it.
struct PoolEquation {
    int dep_ref = 0, dep_lag = 0;
    std::string dep_name;       // 8 columns
    std::vector<OlsTerm> terms; // the slopes, then CONSTANT (pooled and random effects)
    std::vector<int> obs;
    int beg = 0, end = 0;
};

void report_pool(Run& run, const PoolEquation& eq, const PanelGroups& groups, const PoolEstimate& e,
                 const PoolOptions& o);

} // namespace tarvex
