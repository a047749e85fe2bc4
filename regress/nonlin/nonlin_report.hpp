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

// After a fit that did not converge (or failed) on an equation where SET UMINUS would change
// what -A**B means: a note that says how the unary minus binds.
void report_minus_power_note(Run& run, const EquationModel& model, const NonlinEstimate& e);

// Prints a finished estimate (one that did not fail).
void report_nonlin(Run& run, const EquationModel& model, const NonlinEstimate& e,
                   const NonlinOptions& o);

} // namespace tarvex
