// The forecasts of a fitted VAR h = 1..H steps after its last observation: each step's values
// from the lags of the series (observed, then forecast) and the deterministic terms, and their
// mean square error sum over i < h of Phi_i sigma Phi_i' (the plain responses Phi_i, sigma the
// residual covariance divided by T - m), whose diagonal gives the standard errors. The part the
// stored estimation keeps for FCAST is here too.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/var/var_dynamics.hpp"
#include "regress/var/var_estimate.hpp"

#include <vector>

namespace tarvex {

// The deterministic regressors (trend, seasonal dummies, intercept, in the coefficients' order)
// at data row `row` (0-based, the lags' rows included).
std::vector<Real> var_deterministic_values(const VarTerms& terms, int first_season, long row);

struct VarForecast {
    std::vector<Real> value, se; // horizon rows of k
};

// `history`: the last p rows of the series (k each, oldest first); `deterministic`: horizon rows
// of the m - k p other regressors' values (exogenous, then deterministic); `coef` m x k like
// VarFit's.
VarForecast var_forecast(const LagMatrices& a, int k, const std::vector<Real>& coef, int m,
                         const std::vector<Real>& history, const std::vector<Real>& deterministic,
                         const std::vector<Real>& sigma, int horizon);

// What FCAST needs of a VAR: the coefficients, the residual covariance, the last p rows and
// where the deterministic terms stand.
struct VarForecastPart : SystemForecastPart {
    VarTerms terms;
    int first_season = 0;
    long next_row = 0; // the data row after the last one
    int m = 0;
    std::vector<Real> coef, sigma, history;
    void system_forecast(int horizon, const std::vector<Real>& exog, std::vector<Real>& value,
                         std::vector<Real>& se) const override;
};

} // namespace tarvex
