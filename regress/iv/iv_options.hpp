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
    // METHOD=GMM (METHOD, MAXIT and CONVERGE are the shared estimator options).
    int LAG = 0; // the Newey-West lag of the moment covariance
    bool LAG_given = false;
    std::string WEIGHT; // IDENTITY, WHITE or HAC (blank: WHITE)
    std::string STEPS;  // 1, 2 or ITERATE (blank: 1 with IDENTITY, else 2)
};

const OptionTable& iv_option_table();
// The estimator defaults with MAXIT 100 and CONVERGE 1E-20.
void set_iv_defaults(Run& run);
IvOptions read_iv_options(const Run& run);

} // namespace tarvex
