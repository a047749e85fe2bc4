// The report of 2SLS / METHOD=GMM: heading, regressors and instruments, the weight and the
// steps, the summary of the residuals, the coefficient table (asymptotic) and Hansen's J test.
// It writes the estimate and changes nothing.
#pragma once

#include "regress/iv/gmm_estimate.hpp"
#include "regress/iv/iv_options.hpp"
#include "regress/iv/iv_report.hpp"

namespace tarvex {

struct Run;

void report_gmm(Run& run, const IvEquation& eq, const GmmEstimate& e, const GmmControl& control,
                const IvOptions& o);

} // namespace tarvex
