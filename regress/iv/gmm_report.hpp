// The report of 2SLS / METHOD=GMM: heading, regressors and instruments, the weight and the
// steps, the summary of the residuals, the coefficient table (asymptotic) and Hansen's J test.
// It writes the estimate and changes nothing.
#pragma once

#include "regress/iv/gmm_estimate.hpp"
#include "regress/iv/iv_options.hpp"
#include "regress/iv/iv_report.hpp"

#include <string>

namespace tarvex {

struct Run;

// The weight matrix and the steps, two lines; `first_step` names the estimator of the weight
// (Z'Z)**-1.
void write_gmm_weight_lines(Run& run, const GmmControl& control, const std::string& first_step);
// R-square and its adjusted form, sigma**2, sigma, the SSE and (with an intercept) the mean of y.
void write_gmm_fit_lines(Run& run, const EstimationResults& r, Real sigma2, Real adjr2,
                         bool centred, Real ymean);
// Hansen's J of an equation with `over` over-identifying restrictions, or the note that the
// one-step estimate has none.
void write_hansen_j_lines(Run& run, int over, const IvStatistic& j, const GmmControl& control);

void report_gmm(Run& run, const IvEquation& eq, const GmmEstimate& e, const GmmControl& control,
                const IvOptions& o);

} // namespace tarvex
