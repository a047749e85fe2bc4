// FCAST after a system estimated together (VAR): every equation is forecast over the range, h
// steps after the estimation's last observation, with its standard error; PREDICT= and FCSE=
// store equation e's under the name followed by e, and LIST prints them side by side.
#pragma once

#include "regress/fit/forecast_parts.hpp"

namespace tarvex {

struct Run;
struct FcastOptions;

// Checks the range (it must start after the estimation), forecasts, stores and lists. Errors are
// reported with their $ERR.
void forecast_system(Run& run, const FcastOptions& o, const SystemForecastPart& part);

} // namespace tarvex
