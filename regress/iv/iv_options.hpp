// The options of 2SLS and INSTRUME, their defaults and the values the command reads from the
// option set.
#pragma once

#include "core/option_set.hpp"

#include <string>

namespace tarvex {

struct Run;

struct IvOptions {
    bool CONSTANT = true; // intercept among the regressors and the instruments
    bool HETCOV = false;  // heteroskedasticity-consistent covariance
    bool PCOV = false, PCOR = false, WIDE = false;
    int BEG = 0, END = 0;
    int AUTCOV = 0; // Newey-West lag order (implies HETCOV)
    std::string PREDICT, RESID, COEF, COVARIAN, STDERR, TRATIO;
};

const OptionTable& iv_option_table();
void set_iv_defaults(Run& run);
IvOptions read_iv_options(const Run& run);

} // namespace tarvex
