// The option table of AUTO, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

struct Run;

// With METHOD ML, CORC or PW.
struct AutoOptions : EstimatorOptions {
    int ORDER = 1;
};

const OptionTable& auto_option_table();
// The shared defaults, with ORDER=1, MAXIT=100, CONVERGE=1E-20 and METHOD=ML.
void set_auto_defaults(Run& run);
AutoOptions read_auto_options(const Run& run);

} // namespace tarvex
