// The reports of ARIMA: the identification (the correlogram table and its character plot), and
// the estimates (coefficient table, sigma**2, likelihood, information criteria, the Ljung-Box
// tests of the residuals, the forecasts with their 95% intervals). The reports only write: the
// command stores the result.
#pragma once

#include "numeric/real.hpp"
#include "regress/arima/arima_estimate.hpp"
#include "regress/arima/arima_options.hpp"
#include "regress/fit/estimation_equation.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// "ARIMA(p,d,q)" and, with a seasonal part, "(P,D,Q)s".
std::string arima_model_label(const ArimaOrder& order);

// The names of the parameters before the regressors: AR1.., SAR1.., MA1.., SMA1.., MEAN (called
// CONSTANT with regressors), 8 columns each.
std::vector<std::string> arima_parameter_names(const ArimaOrder& order);

void report_identification(Run& run, const EstimationEquation& series, const ArimaOrder& order,
                           const std::vector<Real>& w, int lags);

void report_arima(Run& run, const EstimationEquation& series, const ArimaOrder& order,
                  const ArimaEstimate& e, const ArimaOptions& o);

} // namespace tarvex
