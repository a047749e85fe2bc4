// The report of a GARCH model: the model line, the iteration end, the likelihood and
// information criteria, the coefficient table (with the standard errors of the other
// covariance beside it), the variance's persistence and unconditional level, and the forecasts.
// It only writes: the command stores the result.
#pragma once

#include "regress/fit/estimation_equation.hpp"
#include "regress/garch/garch_estimate.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct GarchReportOptions {
    bool PITER = false, PCOV = false, PCOR = false, WIDE = false, robust = false;
};

// "GARCH(p,q)" (or "ARCH(q)"), with "-T" for Student t errors.
std::string garch_model_label(const GarchOrders& orders);

// The names of the parameters after the regressors: AR1.., CONSTANT, OMEGA, ALPHA1..,
// BETA1.., DF (8 columns each).
std::vector<std::string> garch_parameter_names(const GarchOrders& orders);

void report_garch(Run& run, const EstimationEquation& series, const GarchOrders& orders,
                  const GarchEstimate& e, const GarchReportOptions& o);

} // namespace tarvex
