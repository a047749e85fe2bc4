// The report of BOX: heading, how the iteration ended, the log-likelihoods (at the estimates,
// and on the profile at lambda 1 and 0), the coefficient table labelled BOX-COX. It writes the
// estimate and changes nothing (the warning of an iteration that did not converge is the one
// message it gives).
#pragma once

#include "regress/box/box_estimate.hpp"
#include "regress/box/box_options.hpp"
#include "regress/fit/estimation_equation.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The names of the estimate's parameters: the terms, LAMBDA (and LAMBDAX), SIGMA2.
std::vector<std::string> box_parameter_names(const EstimationEquation& eq, const BoxOptions& o);

void report_box(Run& run, const EstimationEquation& eq, const BoxEstimate& e, const BoxOptions& o);

} // namespace tarvex
