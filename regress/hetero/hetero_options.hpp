// The option table of HETERO, its own defaults and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// CONSTANT is the intercept of the mean equation; METHOD NEWTON, BHHH, BFGS or DFP.
struct HeteroOptions : EstimatorOptions {
    bool HETCOV = false; // sandwich covariance
    std::string VARPRED; // exp(z'g) by observation
};

const OptionTable& hetero_option_table();
// The shared defaults, with MAXIT=100, CONVERGE=1E-28 and METHOD=NEWTON.
void set_hetero_defaults(Run& run);
HeteroOptions read_hetero_options(const Run& run);

} // namespace tarvex
