// The report of NLINEAR / METHOD=GMM: the heading with the equation and the instruments, the
// weight and the steps (the lines of the linear GMM), the iterations, the summary of the
// residuals, the asymptotic coefficient table and Hansen's J test. It writes the estimate and
// changes nothing.
#pragma once

#include "regress/nonlin/nonlin_gmm.hpp"
#include "regress/nonlin/nonlin_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The heading, and with PITER each Gauss-Newton iteration: also before the error of an
// estimate that failed.
void report_nonlinear_gmm_heading(Run& run, const EquationModel& model,
                                  const std::vector<std::string>& instruments,
                                  const NonlinGmmEstimate& e, const GmmControl& control,
                                  const NonlinOptions& o);

// The rest of a finished estimate's report (after the heading).
void report_nonlinear_gmm(Run& run, const NonlinGmmEstimate& e, const GmmControl& control,
                          const NonlinOptions& o);

} // namespace tarvex
