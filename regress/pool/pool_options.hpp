// The option table of POOL and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct PoolOptions {
    bool FIXED = false, RANDOM = false; // the model (neither: pooled least squares)
    bool CLUSTER = false, HC1 = false;  // covariance clustered by cross-section
    bool PCOV = false, PCOR = false, WIDE = false, PEFFECTS = false;
    int BEG = 0, END = 0, NCROSS = 0;
    std::string IDVAR, EFFECTS;
    OutputNames out;
};

const OptionTable& pool_option_table();
PoolOptions read_pool_options(const Run& run);

} // namespace tarvex
