// The option table of 2SLS and INSTRUME and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct IvOptions {
    bool CONSTANT = true; // intercept among the regressors and the instruments
    bool HETCOV = false;  // heteroskedasticity-consistent covariance
    bool PCOV = false, PCOR = false, WIDE = false;
    int BEG = 0, END = 0;
    int AUTCOV = 0; // Newey-West lag order (implies HETCOV)
    OutputNames out;
};

const OptionTable& iv_option_table();
IvOptions read_iv_options(const Run& run);

} // namespace tarvex
