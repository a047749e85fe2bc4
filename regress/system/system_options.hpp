// The options of SYSTEM, their defaults and the values the command reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// CONSTANT: an intercept in every equation (and among the instruments); METHOD: SUR, ITSUR or
// 3SLS. PREDICT and RESID name one variable per equation (the name and the equation's number);
// the other output names hold the stacked coefficients. DEPNAMES: the equations are named by
// their dependent variables in the report, the coefficient names and the PREDICT= and RESID=
// variables. RESCOV: the residual covariance matrix of the report (divisor N).
struct SystemOptions : EstimatorOptions {
    bool DEPNAMES = false;
    std::string RESCOV;
};

const OptionTable& system_option_table();
void set_system_defaults(Run& run);
SystemOptions read_system_options(const Run& run);

} // namespace tarvex
