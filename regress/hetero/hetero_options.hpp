// The option table of HETERO, its own defaults and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct HeteroOptions {
    bool CONSTANT = true; // intercept in the mean equation
    bool HETCOV = false;  // sandwich covariance
    bool PCOV = false, PCOR = false, WIDE = false, PITER = false;
    int BEG = 0, END = 0, MAXIT = 0;
    Real CONVERGE = 0;
    OutputNames out;
    std::string VARPRED; // exp(z'g) by observation
    std::string METHOD;  // NEWTON, BHHH, BFGS or DFP
};

const OptionTable& hetero_option_table();
// The shared defaults, with MAXIT=100, CONVERGE=1E-28 and METHOD=NEWTON.
void set_hetero_defaults(Run& run);
HeteroOptions read_hetero_options(const Run& run);

} // namespace tarvex
