// What the discrete-choice reports are asked to print: the printing options of PROBIT and
// LOGIT (PCOV, PCOR, WIDE and PITER of the shared estimator options), and the name of the
// maximisation method.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

// The maximisation method as the reports name it.
const char* maximize_method_name(MaximizeMethod method);

} // namespace tarvex
