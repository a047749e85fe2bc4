// The options of POOL, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"

#include <string>

namespace tarvex {

struct Run;

struct PoolOptions {
    bool FIXED = false, RANDOM = false; // the model (neither: pooled least squares)
    bool CLUSTER = false, HC1 = false;  // covariance clustered by cross-section
    bool PCOV = false, PCOR = false, WIDE = false, PEFFECTS = false;
    int BEG = 0, END = 0, NCROSS = 0;
    std::string IDVAR, EFFECTS, PREDICT, RESID, COEF, COVARIAN, STDERR, TRATIO;
};

const OptionTable& pool_option_table();
void set_pool_defaults(Run& run);
PoolOptions read_pool_options(const Run& run);

} // namespace tarvex
