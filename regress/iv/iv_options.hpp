// The option table of 2SLS and INSTRUME and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// CONSTANT: the intercept among the regressors and the instruments.
struct IvOptions : EstimatorOptions {
    bool HETCOV = false; // heteroskedasticity-consistent covariance
    int AUTCOV = 0;      // Newey-West lag order (implies HETCOV)
    bool HC1 = false, HC2 = false, HC3 = false, CLHC0 = false; // the covariance's type
    std::string CLUSTER;                                       // cluster variable (blank: none)
};

const OptionTable& iv_option_table();
IvOptions read_iv_options(const Run& run);

} // namespace tarvex
