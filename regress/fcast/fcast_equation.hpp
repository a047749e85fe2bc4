// FCAST of a nonlinear equation (MODEL=NLINEAR): the stored right side evaluated at each
// observation of the range, with delta-method standard errors, as rows of the same forecast
// the linear models give, so that the listing, the accuracy statistics and the output
// variables follow unchanged.
#pragma once

#include "regress/fcast/fcast_forecast.hpp"
#include "regress/nonlin/equation_model.hpp"

namespace tarvex {

struct Run;
struct FcastModel;

// Compiles the model's equation; false after an error (reported).
bool compile_fcast_equation(Run& run, const FcastModel& model, EquationModel& equation);

// Forecasts over settings.obs with the compiled equation (its series bound here).
FcastResult forecast_equation(Run& run, const FcastModel& model, EquationModel& equation,
                              const FcastSettings& settings);

} // namespace tarvex
