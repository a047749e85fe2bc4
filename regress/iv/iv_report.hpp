// The report of 2SLS and INSTRUME: heading with the endogenous regressors and the instruments,
// the summary of the structural residuals, the coefficient table, the first-stage F tests, the
// Wu-Hausman test and the tests of the over-identifying restrictions. It writes the estimate and
// changes nothing.
#pragma once

#include "regress/fit/estimation_equation.hpp"
#include "regress/iv/iv_estimate.hpp"
#include "regress/iv/iv_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The equation as the command read it: the structural equation (its regressors as the terms),
// and beside it the command's word and the instruments.
struct IvEquation : EstimationEquation {
    std::string command; // "2SLS" or "INSTRUME"
    std::vector<OlsTerm> instruments;
};

// A title and names, eight to a line, the following lines indented under the first name.
void write_name_list(Run& run, const std::string& title, const std::vector<std::string>& names);

void report_iv(Run& run, const IvEquation& eq, const IvEstimate& e, const IvOptions& o);

} // namespace tarvex
