// The options of GLS, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"

#include <string>

namespace tarvex {

struct Run;

struct GlsOptions {
    bool CONSTANT = true;
    bool PCOV = false, PCOR = false, WIDE = false;
    int BEG = 0, END = 0;
    std::string OMEGA, VARIANCE; // the error covariance matrix, or the variances by observation
    std::string PREDICT, RESID, COEF, COVARIAN, STDERR, TRATIO;
};

const OptionTable& gls_option_table();
void set_gls_defaults(Run& run);
GlsOptions read_gls_options(const Run& run);

} // namespace tarvex
