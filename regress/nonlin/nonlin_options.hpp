// The options of NLINEAR and MLE (one table for both), their defaults and the values a command
// reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

struct NonlinOptions {
    bool PITER = false;  // print the iteration history
    bool HETCOV = false; // heteroskedasticity-consistent (sandwich) covariance
    bool PCOV = false, PCOR = false, WIDE = false;
    int BEG = 0, END = 0;
    int MAXIT = 0;
    Real CONVERGE = 0;   // relative change of every parameter
    Real OBJCONV = 0;    // MLE: relative change of the log-likelihood
    std::string METHOD;  // MLE: NEWTON, BHHH, BFGS or DFP
    std::string COVTYPE; // MLE: HESSIAN, OPG or SANDWICH
    OutputNames out;     // PREDICT and RESID: NLINEAR only
};

const OptionTable& nonlin_option_table();
void set_nonlin_defaults(Run& run);
NonlinOptions read_nonlin_options(const Run& run);

} // namespace tarvex
