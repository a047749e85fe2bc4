// The option table of POOL and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// POOL has no CONSTANT option: its intercept follows the model.
struct PoolOptions : EstimatorOptions {
    bool FIXED = false, RANDOM = false; // the model (neither: pooled least squares)
    bool CLUSTER = false, HC1 = false;  // covariance clustered by cross-section
    bool PEFFECTS = false;
    bool PERIOD = false; // period effects (with FIXED: both effects)
    int NCROSS = 0;
    std::string IDVAR, EFFECTS, VARCOMP;
    std::string TIMEVAR; // the period of each observation (else its place, see pool_panel)
    // The models without an intercept, whose effects take its place.
    bool within() const { return FIXED || PERIOD; }
};

const OptionTable& pool_option_table();
PoolOptions read_pool_options(const Run& run);

} // namespace tarvex
