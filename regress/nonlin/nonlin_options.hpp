// The options of NLINEAR and MLE (one table for both), their defaults and the values a command
// reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// CONVERGE: the relative change of every parameter; METHOD (MLE): NEWTON, BHHH, BFGS or DFP;
// PREDICT and RESID: NLINEAR only.
struct NonlinOptions : EstimatorOptions {
    bool HETCOV = false; // heteroskedasticity-consistent (sandwich) covariance
    Real OBJCONV = 0;    // MLE: relative change of the log-likelihood
    std::string COVTYPE; // MLE: HESSIAN, OPG or SANDWICH
};

const OptionTable& nonlin_option_table();
void set_nonlin_defaults(Run& run);
NonlinOptions read_nonlin_options(const Run& run);

} // namespace tarvex
