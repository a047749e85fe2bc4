// The option table of VAR, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct VarOptions : EstimatorOptions {
    bool TREND = false, IRF = false, FEVD = false, ORTHOG = true, GRANGER = false;
    int NLAG = 1, MAXLAG = 0, HORIZON = 10, SEASONAL = 0;
    std::string RESCOV, IMPULSE, DECOMP, IRFSE;
};

const OptionTable& var_option_table();
// The shared defaults, with NLAG=1, HORIZON=10 and ORTHOG on.
void set_var_defaults(Run& run);
VarOptions read_var_options(const Run& run);

} // namespace tarvex
