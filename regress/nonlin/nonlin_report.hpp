// The report of NLINEAR and MLE: heading, iteration history on request, how the iteration
// ended, the summary numbers, the coefficient table and matrices. It writes the estimate and
// changes nothing.
#pragma once

#include "regress/nonlin/nonlin_estimate.hpp"

namespace tarvex {

struct Run;

// The heading and, with PITER, the iteration history: written before the error of an
// estimation that failed, so that the user sees where the iteration went.
void report_iterations(Run& run, const EquationModel& model, const NonlinEstimate& e,
                       const NonlinOptions& o);

// Prints a finished estimate (one that did not fail).
void report_nonlin(Run& run, const EquationModel& model, const NonlinEstimate& e,
                   const NonlinOptions& o);

} // namespace tarvex
