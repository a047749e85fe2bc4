// FCAST of a model whose errors carry a state past the estimation (ARIMA errors): every
// observation of the range is forecast h steps after the estimation's last observation, as x'b
// at that observation plus the noise's h-step forecast, with the noise's standard error.
#pragma once

#include "regress/fcast/fcast_forecast.hpp"
#include "regress/fit/forecast_parts.hpp"

namespace tarvex {

struct Run;
struct FcastModel;

// settings.obs must all lie after part.last. Reads the data; writes nothing.
FcastResult state_forecast(Run& run, const FcastModel& model, const StateForecastPart& part,
                           const FcastSettings& settings);

} // namespace tarvex
