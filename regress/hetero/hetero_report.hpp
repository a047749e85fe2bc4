// The report of HETERO: heading, iteration history on request, how the iteration ended, the
// log-likelihoods and the likelihood-ratio test of constant variance, the coefficient tables of
// the mean and variance equations. It writes the estimate and changes nothing (the warning of
// an iteration that did not converge is the one message it gives).
#pragma once

#include "regress/fit/estimation_equation.hpp"
#include "regress/hetero/hetero_estimate.hpp"
#include "regress/hetero/hetero_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The equation as the command read it: the mean equation, and beside it the regressors of the
// log variance (CONSTANT last).
struct HeteroEquation : EstimationEquation {
    std::vector<OlsTerm> variance;
};

// Prints and stores a finished estimate (converged, or stopped with a warning).
// The name TEST knows a variance coefficient by: "V_" and the term's name, 8 columns.
std::string variance_parameter_name(const std::string& name);

void report_hetero(Run& run, const HeteroEquation& eq, const HeteroEstimate& e,
                   const HeteroOptions& o);

} // namespace tarvex
