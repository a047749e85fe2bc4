// What the discrete-choice reports are asked to print: the printing options of PROBIT and
// LOGIT, and the name of the maximisation method.
#pragma once

#include "kernels/maximize_likelihood.hpp"

namespace tarvex {

struct ChoiceReportFlags {
    bool PCOV = false;  // the covariance matrix of the coefficients
    bool PCOR = false;  // their correlation matrix
    bool WIDE = false;  // the wide coefficient table
    bool PITER = false; // the log-likelihood and the parameters at every iteration
};

// The maximisation method as the reports name it.
const char* maximize_method_name(MaximizeMethod method);

} // namespace tarvex
