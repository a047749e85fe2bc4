// The option table of GLS and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct GlsOptions : EstimatorOptions {
    std::string OMEGA, VARIANCE; // the error covariance matrix, or the variances by observation
};

const OptionTable& gls_option_table();
GlsOptions read_gls_options(const Run& run);

} // namespace tarvex
