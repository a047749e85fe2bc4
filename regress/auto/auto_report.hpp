// The report of AUTO: its heading (with the iterations under PITER), written also when the
// estimation fails, then the tables of rho and of the regression with the summary. It writes
// the estimate and changes nothing.
#pragma once

#include "regress/auto/auto_estimate.hpp"
#include "regress/auto/auto_options.hpp"
#include "regress/fit/estimation_equation.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The named parameters after the regressors: RHO, and RHO2 for AR(2) (8 columns each).
std::vector<std::string> rho_names(int order);

void report_auto_heading(Run& run, const EstimationEquation& eq, const AutoEstimate& e,
                         const AutoOptions& o, AutoMethod method);
// The estimate of a converged estimation (its result named).
void report_auto(Run& run, const AutoEstimate& e, const AutoOptions& o, AutoMethod method);

// Why the estimation failed: its message and $ERR number.
EstimationFailure auto_failure(const EstimationEquation& eq, const AutoEstimate& e);

} // namespace tarvex
