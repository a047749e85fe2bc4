// The options of BOX, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

struct Run;

struct BoxOptions : EstimatorOptions {
    bool ALLBOX = false;  // the regressors take the lambda of y
    bool XLAMBDA = false; // the regressors take a lambda of their own
};

const OptionTable& box_option_table();
// The shared defaults, with MAXIT=100 and CONVERGE=1E-28.
void set_box_defaults(Run& run);
BoxOptions read_box_options(const Run& run);

} // namespace tarvex
