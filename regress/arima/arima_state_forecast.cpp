// The forecasts of the noise of an ARIMA regression from the state its estimation left.
#include "regress/arima/arima_state_forecast.hpp"

namespace tarvex {

void ArimaStatePart::noise_forecast(int horizon, std::vector<Real>& value,
                                    std::vector<Real>& se) const {
    ArimaForecast f = arima_forecast(noise, order, poly, filter, sigma2, horizon);
    value = std::move(f.value);
    se = std::move(f.se);
}

} // namespace tarvex
