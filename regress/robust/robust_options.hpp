// The option table of ROBUST, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// With METHOD QUANTILE, HUBER or BISQUARE and VARIANCE IID, KERNEL or BOOT.
struct RobustOptions : EstimatorOptions {
    int REPS = 200, SEED = 1;
    Real TAU = 0.5Q, TUNING = 0;
    std::string VARIANCE;     // trailing blanks trimmed
    bool MAXIT_GIVEN = false; // MAXIT typed: with METHOD=QUANTILE it limits the simplex steps
};

const OptionTable& robust_option_table();
// The shared defaults, with TAU=0.5, METHOD=QUANTILE, VARIANCE=IID, REPS=200, SEED=1,
// MAXIT=100 and CONVERGE=1E-20.
void set_robust_defaults(Run& run);
RobustOptions read_robust_options(const Run& run);

} // namespace tarvex
