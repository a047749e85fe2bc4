// The handler ARIMA shares with COINTEGR: ARIMA series / options identifies (correlograms) or
// estimates and forecasts an ARIMA model of one series; COINTEGR goes to its own command.
#pragma once

namespace tarvex {

struct Run;

void cmd_arima(Run& run);

} // namespace tarvex
