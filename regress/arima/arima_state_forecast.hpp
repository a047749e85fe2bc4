// What ARIMA leaves for FCAST: the noise of the regression (y less the regressors' part) at the
// estimation's observations and the exact filter's state after the last one, from which the
// noise is forecast any number of steps ahead.
#pragma once

#include "regress/arima/arima_likelihood.hpp"
#include "regress/arima/arima_model.hpp"
#include "regress/fit/forecast_parts.hpp"

#include <vector>

namespace tarvex {

struct ArimaStatePart : StateForecastPart {
    std::vector<Real> noise; // y - X b at the estimation's observations
    ArimaOrder order;
    ArmaPolynomials poly;
    ArmaFilter filter; // the exact filter, run with `keep`
    Real sigma2 = 0;

    void noise_forecast(int horizon, std::vector<Real>& value,
                        std::vector<Real>& se) const override;
};

} // namespace tarvex
