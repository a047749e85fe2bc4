// The options of SYSTEM, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct SystemOptions {
    bool CONSTANT = true; // an intercept in every equation (and among the instruments)
    bool PCOV = false, PCOR = false, WIDE = false;
    int BEG = 0, END = 0, MAXIT = 0;
    Real CONVERGE = 0;
    std::string METHOD; // SUR, ITSUR or 3SLS
    // PREDICT and RESID name one variable per equation (the name and the equation's number);
    // the others hold the stacked coefficients.
    OutputNames out;
};

const OptionTable& system_option_table();
void set_system_defaults(Run& run);
SystemOptions read_system_options(const Run& run);

} // namespace tarvex
