// ARIMA y [regressors] / NARCH=q [NGARCH=p] [NAR=r]: the volatility model branch of ARIMA's
// handler. It checks what such a model cannot take, hands the rows to the GARCH estimator,
// reports, and stores the estimation with the conditional variances (HT=).
#pragma once

#include "regress/arima/arima_options.hpp"
#include "regress/fit/estimation_equation.hpp"
#include "regress/fit/list_equation.hpp"

#include <vector>

namespace tarvex {

struct Run;

// `future` holds each regressor at the HORIZON observations after the last.
void estimate_arima_garch(Run& run, EstimationEquation& series,
                          const std::vector<OlsTerm>& regressors, const ListRows& rows,
                          const std::vector<std::vector<Real>>& future, const ArimaOptions& o);

// Whether the options ask for a volatility model, and if so whether they fit one (the message
// written when not).
bool garch_options_fit(Run& run, const ArimaOptions& o);

} // namespace tarvex
