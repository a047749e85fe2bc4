// The option table of GLS and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct GlsOptions {
    bool CONSTANT = true;
    bool PCOV = false, PCOR = false, WIDE = false;
    int BEG = 0, END = 0;
    std::string OMEGA, VARIANCE; // the error covariance matrix, or the variances by observation
    OutputNames out;
};

const OptionTable& gls_option_table();
GlsOptions read_gls_options(const Run& run);

} // namespace tarvex
