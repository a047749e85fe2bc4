// The option table of SMOOTH, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// METHOD is SIMPLE, HOLT, ADDITIVE, MULTIPLI or HP.
struct SmoothOptions : EstimatorOptions {
    int SEASON = 0, HORIZON = 0;
    Real ALPHA = 0, BETA = 0, GAMMA = 0, LAMBDA = 0;
    bool ALPHA_given = false, BETA_given = false, GAMMA_given = false, LAMBDA_given = false;
    std::string LEVEL, SLOPE, SEASONAL, TREND, CYCLE, FORECAST, FCSTERR;
};

const OptionTable& smooth_option_table();
// The shared defaults, with METHOD=SIMPLE, LAMBDA=1600 and MAXIT=100.
void set_smooth_defaults(Run& run);
SmoothOptions read_smooth_options(const Run& run);

} // namespace tarvex
