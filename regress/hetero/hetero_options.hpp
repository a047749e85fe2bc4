// The options of HETERO, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

struct HeteroOptions {
    bool CONSTANT = true; // intercept in the mean equation
    bool HETCOV = false;  // sandwich covariance
    bool PCOV = false, PCOR = false, WIDE = false, PITER = false;
    int BEG = 0, END = 0, MAXIT = 0;
    Real CONVERGE = 0;
    std::string PREDICT, RESID, COEF, COVARIAN, STDERR, TRATIO, VARPRED;
    std::string METHOD; // NEWTON, BHHH, BFGS or DFP
};

const OptionTable& hetero_option_table();
void set_hetero_defaults(Run& run);
HeteroOptions read_hetero_options(const Run& run);

} // namespace tarvex
